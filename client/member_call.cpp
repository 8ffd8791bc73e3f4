#include "member_call.h"

#include "debug_report.h"
#include "unique_resource.h"

namespace kelocli {

short ShortAnswer(HRESULT code, const VARIANT& answer) {
    return code == 0 && answer.vt == VT_I2 ? answer.iVal : 0;
}

short RunQuietCommand(IDispatch* dispatch, DISPID* dispIds, Method method,
                      std::initializer_list<Argument> arguments) {
    UniqueVariant answer;
    const HRESULT code = CallMethod(dispatch, dispIds, method, arguments, answer.Get());
    return ShortAnswer(code, *answer);
}

short RunCommand(IDispatch* dispatch, DISPID* dispIds, Method method,
                 std::initializer_list<Argument> arguments) {
    UniqueVariant answer;
    const HRESULT code = CallMethod(dispatch, dispIds, method, arguments, answer.Get());
    ReportFailure(code);
    return ShortAnswer(code, *answer);
}

HRESULT RunStringQuery(IDispatch* dispatch, DISPID* dispIds, Method method, BSTR* text) {
    *text = nullptr;
    UniqueVariant answer;
    const HRESULT code = CallMethod(dispatch, dispIds, method, {}, answer.Get());
    if (code == 0) *text = answer.ReleaseBstr();
    return code;
}

}  // namespace kelocli
