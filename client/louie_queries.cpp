// Louie: document queries, point of view and resurrection. None of these is reported.
#include "louie.h"

#include "connection.h"
#include "member_call.h"
#include "shared_section.h"
#include "unique_resource.h"

using kelocli::Argument;
using kelocli::Method;

namespace {

constexpr short kResurrectionFailed = -1025;

// Reads one size value for GetInfo: looks the method up (a failed lookup writes nothing), invokes
// it and writes the answer's value field whatever the outcome and the type.
template <typename Value>
HRESULT ReadSizeValue(IDispatch* dispatch, DISPID* dispIds, Method method, Value* value) {
    if (value == nullptr) return S_OK;
    DISPID id;
    const HRESULT lookup = kelocli::ResolveMethod(dispatch, dispIds, method, &id);
    if (FAILED(lookup)) return lookup;
    kelocli::UniqueVariant answer;
    const HRESULT code = kelocli::InvokeMethod(dispatch, id, {}, answer.Get());
    if constexpr (sizeof(Value) == sizeof(LONG)) {
        *value = answer->lVal;
    } else {
        *value = answer->iVal;
    }
    return code;
}

}  // namespace

long Louie::GetInfo(long* width, long* height, short* horizontalRes, short* verticalRes,
                    short* depth) {
    if (dispatch == nullptr) return 0;
    HRESULT code = ReadSizeValue(dispatch, dispIds, Method::GetWidth, width);
    if (code == 0) code = ReadSizeValue(dispatch, dispIds, Method::GetHeight, height);
    if (code == 0) {
        code = ReadSizeValue(dispatch, dispIds, Method::GetHorizontalRes, horizontalRes);
    }
    if (code == 0) code = ReadSizeValue(dispatch, dispIds, Method::GetVerticalRes, verticalRes);
    if (code == 0) code = ReadSizeValue(dispatch, dispIds, Method::GetDepth, depth);
    return code;
}

short Louie::SetPointOfView(double eyeX, double eyeY, double eyeZ, double yaw, double pitch,
                            double twist, short povFlag) {
    return kelocli::RunQuietCommand(
        dispatch, dispIds, Method::SetPointOfView,
        {Argument::Double(eyeX), Argument::Double(eyeY), Argument::Double(eyeZ),
         Argument::Double(yaw), Argument::Double(pitch), Argument::Double(twist),
         Argument::Short(povFlag)});
}

short Louie::GetPointOfView(double* eyeX, double* eyeY, double* eyeZ, double* yaw, double* pitch,
                            double* twist) {
    return kelocli::RunQuietCommand(
        dispatch, dispIds, Method::GetPointOfView,
        {Argument::DoubleOut(eyeX), Argument::DoubleOut(eyeY), Argument::DoubleOut(eyeZ),
         Argument::DoubleOut(yaw), Argument::DoubleOut(pitch), Argument::DoubleOut(twist)});
}

long Louie::Get3DInfo(double* centerX, double* centerY, double* centerZ, double* extentX,
                      double* extentY, double* extentZ) {
    kelocli::UniqueVariant answer;
    return kelocli::CallMethod(
        dispatch, dispIds, Method::Get3DInfo,
        {Argument::DoubleOut(centerX), Argument::DoubleOut(centerY), Argument::DoubleOut(centerZ),
         Argument::DoubleOut(extentX), Argument::DoubleOut(extentY), Argument::DoubleOut(extentZ)},
        answer.Get());
}

long Louie::GetSecName(BSTR* name) {
    return kelocli::RunStringQuery(dispatch, dispIds, Method::GetSectionName, name);
}

long Louie::GetFileName(BSTR* name) {
    return kelocli::RunStringQuery(dispatch, dispIds, Method::GetFileName, name);
}

long Louie::GetPaletteInfo(BSTR* name) {
    return kelocli::RunStringQuery(dispatch, dispIds, Method::GetPaletteInfo, name);
}

long Louie::GetFontInfo(BSTR* text) {
    return kelocli::RunStringQuery(dispatch, dispIds, Method::GetFontInfo, text);
}

short Louie::Resurrect(BSTR fileName) {
    if (sectionName == nullptr) return kResurrectionFailed;
    if (dispatch != nullptr) {
        kelocli::CloseServer(dispatch, dispIds);
        dispatch = nullptr;
    }
    if (FAILED(kelocli::ConnectServer(&dispatch))) return kResurrectionFailed;
    if (dispatch == nullptr) return kResurrectionFailed;
    DISPID id;
    if (FAILED(kelocli::ResolveMethod(dispatch, dispIds, Method::Resurrect, &id))) {
        return kResurrectionFailed;
    }
    kelocli::UniqueVariant answer;
    const HRESULT code = kelocli::InvokeMethod(
        dispatch, id, {Argument::String(sectionName), Argument::String(fileName)}, answer.Get());
    if (answer->iVal != 0) return answer->iVal;  // the 16-bit field, whatever the type says
    return code == 0 ? 0 : kResurrectionFailed;
}

short Louie::ResurrectSection(BSTR name, BSTR fileName) {
    if (sectionName != nullptr && sectionName != name) {
        if (sectionHandle != nullptr) {
            CloseHandle(sectionHandle);
            sectionHandle = nullptr;
        }
        SysFreeString(sectionName);
    }
    sectionName = name;  // the held name itself given back is kept, not freed
    return Resurrect(fileName);
}

void Louie::SaveResurrectionData() {
    BSTR reported = nullptr;
    GetSecName(&reported);
    if (reported == nullptr) return;
    if (sectionHandle != nullptr) CloseHandle(sectionHandle);
    if (sectionName != nullptr) SysFreeString(sectionName);
    sectionName = reported;
    sectionHandle = kelocli::OpenSectionForReading(sectionName).Release();
}
