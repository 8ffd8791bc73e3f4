#include "dispatch/dispatch.h"

#include <cwchar>
#include <new>

#include "cancellation.h"
#include "dispatch/arguments.h"
#include "dispatch/automation_object.h"
#include "dispatch/host_strings.h"
#include "dispatch/methods.h"
#include "results.h"

namespace pimbax {

namespace {

// The answer of a handler that did not end normally.
Reply Failed(Reports reports, Result result, HRESULT code) {
    return reports == Reports::Result ? Reply{S_OK, result, {}} : Reply{code, 0, {}};
}

// Runs the handler; whatever it throws becomes an answer (see dispatch.h).
Reply Run(const MethodHandler& handler, Call& call, const Arguments& arguments) {
    try {
        return handler.run(call, arguments);
    } catch (const std::bad_alloc&) {
        return Failed(handler.reports, kTooLarge, E_OUTOFMEMORY);
    } catch (const CallCancelled&) {
        return Failed(handler.reports, kTooLarge, E_ABORT);
    } catch (const DrawingTooLong&) {
        return Failed(handler.reports, kTooLarge, kTooLongCode);
    } catch (...) {
    }
    // A fault while working on the document: the document goes, the object stays.
    call.session.Close();
    return Failed(handler.reports, kBadFormat, kDamagedCode);
}

HRESULT Dispatch(AutomationObject& object, DWORD caller, DISPID id, WORD flags,
                 DISPPARAMS* parameters, VARIANT* result, UINT* argumentError) {
    const MethodHandler* handler = FindHandler(id);
    if (handler == nullptr || (flags & DISPATCH_METHOD) == 0 ||
        (flags & ~(DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    const kelocli::MethodInfo& method = kelocli::InfoOf(handler->method);
    const UINT given = parameters == nullptr ? 0 : parameters->cArgs;
    if (parameters != nullptr && parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (given != static_cast<UINT>(method.argumentCount)) return DISP_E_BADPARAMCOUNT;
    if (given != 0 && parameters->rgvarg == nullptr) return E_INVALIDARG;
    Arguments arguments;
    if (given != 0) {
        const HRESULT read = ReadArguments(method, *parameters, arguments, argumentError);
        if (FAILED(read)) return read;
    }

    Reply reply;
    {
        const std::unique_lock<std::mutex> lock = object.LockSettled();
        const CancellationScope scope(object.DroppedFlag());
        Call call = {object, object.GetSession(), caller};
        reply = Run(*handler, call, arguments);
    }
    if (FAILED(reply.code)) return reply.code;
    if (result == nullptr) return S_OK;
    switch (method.answer) {
        case kelocli::Answer::None:
            break;
        case kelocli::Answer::Short:
            result->vt = VT_I2;
            result->iVal = static_cast<SHORT>(reply.value);
            break;
        case kelocli::Answer::Long:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(reply.value);
            break;
        case kelocli::Answer::Text: {
            const std::wstring text = ToHostUnits(reply.text);
            BSTR answer = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (answer == nullptr) return E_OUTOFMEMORY;
            result->vt = VT_BSTR;
            result->bstrVal = answer;
            break;
        }
    }
    return S_OK;
}

}  // namespace

DISPID DispIdOfName(const wchar_t* name) {
    if (name == nullptr) return DISPID_UNKNOWN;
    for (std::size_t i = 0; i < kelocli::MethodCount(); ++i) {
        const kelocli::MethodInfo& method = kelocli::MethodInfos()[i];
        if (_wcsicmp(name, method.name) == 0) return static_cast<DISPID>(method.method);
    }
    return DISPID_UNKNOWN;
}

HRESULT DispatchCall(AutomationObject& object, DWORD caller, DISPID id, WORD flags,
                     DISPPARAMS* parameters, VARIANT* result, UINT* argumentError) {
    // Strings of arguments and answers are the only allocations outside the handler.
    try {
        return Dispatch(object, caller, id, flags, parameters, result, argumentError);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace pimbax
