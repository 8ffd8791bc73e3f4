// Louie: construction, connection and the opening, attaching and painting members.
#include "louie.h"

#include "connection.h"
#include "debug_report.h"
#include "member_call.h"
#include "unique_resource.h"
#include "wide_text.h"

using kelocli::Argument;
using kelocli::Method;
using kelocli::WideText;

Louie::Louie() {
    kelocli::ReadDebugSwitch();
    dispatch = nullptr;
    for (DISPID& entry : dispIds) entry = -1;
    OleInitialize(nullptr);
    kelocli::ConnectServer(&dispatch);
    sectionName = nullptr;
    sectionHandle = nullptr;
    if (dispatch != nullptr) NotifyProcessID(static_cast<long>(GetCurrentProcessId()));
}

Louie::~Louie() {
    if (dispatch != nullptr) kelocli::CloseServer(dispatch, dispIds);
    dispatch = nullptr;
    if (sectionHandle != nullptr) CloseHandle(sectionHandle);
    if (sectionName != nullptr) SysFreeString(sectionName);
    OleUninitialize();
}

short Louie::NotifyProcessID(long processId) {
    kelocli::UniqueVariant answer;
    const HRESULT code = kelocli::CallMethod(dispatch, dispIds, Method::NotifyProcessID,
                                             {Argument::Long(processId)}, answer.Get());
    kelocli::ReportFailure(code);
    return code == 0 ? answer->iVal : 0;  // the 16-bit field, whatever the type says
}

short Louie::Open(char* fileName) {
    const WideText<kelocli::kPathUnits> name(fileName);
    return kelocli::RunCommand(dispatch, dispIds, Method::Open, {Argument::Text(name.Get())});
}

short Louie::FastOpen(char* fileName, char* secondName) {
    const WideText<kelocli::kPathUnits> name(fileName);
    const WideText<kelocli::kShortNameUnits> second(secondName);
    return kelocli::RunCommand(dispatch, dispIds, Method::FastOpen,
                               {Argument::Text(name.Get()), Argument::Text(second.Get())});
}

short Louie::ThreadOpen(char* fileName, char* secondName, char* thirdName) {
    const WideText<kelocli::kPathUnits> name(fileName);
    const WideText<kelocli::kShortNameUnits> second(secondName);
    const WideText<kelocli::kShortNameUnits> third(thirdName);
    return kelocli::RunCommand(
        dispatch, dispIds, Method::ThreadOpen,
        {Argument::Text(name.Get()), Argument::Text(second.Get()), Argument::Text(third.Get())});
}

namespace {

// Asks a method whose answer's 32-bit field is an identifier: *identifier is cleared first, also
// without server, and takes the field when the call succeeded, whatever its type says.
HRESULT QueryIdentifier(IDispatch* dispatch, DISPID* dispIds, Method method,
                        std::initializer_list<Argument> arguments, long* identifier) {
    *identifier = 0;
    kelocli::UniqueVariant answer;
    const HRESULT code = kelocli::CallMethod(dispatch, dispIds, method, arguments, answer.Get());
    if (code == 0) *identifier = answer->lVal;
    return code;
}

}  // namespace

short Louie::GetProcessID(long* processId, long* threadId) {
    long ignored[2];
    if (processId == nullptr) processId = &ignored[0];
    if (threadId == nullptr) threadId = &ignored[1];
    *processId = 0;
    *threadId = 0;
    QueryIdentifier(dispatch, dispIds, Method::GetProcessID, {}, processId);
    const long host = static_cast<long>(GetCurrentProcessId());
    kelocli::ReportFailure(QueryIdentifier(dispatch, dispIds, Method::GetMainThread,
                                           {Argument::Long(host)}, threadId));
    return 0;
}

short Louie::AttachWindow(HWND window, HDC dc) {
    return kelocli::RunCommand(dispatch, dispIds, Method::Attach,
                               {Argument::Handle(window), Argument::Handle(dc)});
}

short Louie::RealizePalette(HWND window, short flag) {
    return kelocli::RunCommand(dispatch, dispIds, Method::RealizePalette,
                               {Argument::Handle(window), Argument::Short(flag)});
}

short Louie::Paint(RECT* source, RECT* target) {
    if (source == nullptr || target == nullptr) return 0;
    return kelocli::RunCommand(
        dispatch, dispIds, Method::Paint,
        {Argument::LowShort(source->left), Argument::LowShort(source->top),
         Argument::LowShort(source->right), Argument::LowShort(source->bottom),
         Argument::LowShort(target->left), Argument::LowShort(target->top),
         Argument::LowShort(target->right), Argument::LowShort(target->bottom)});
}
