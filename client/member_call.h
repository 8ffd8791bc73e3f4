// The patterns Louie's members follow around the call mechanism: a command (16-bit result,
// reported when it fails), a quiet 16-bit query, and a string query.
#ifndef KELOCLI_CLIENT_MEMBER_CALL_H
#define KELOCLI_CLIENT_MEMBER_CALL_H

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>

#include "method_call.h"

namespace kelocli {

// The answer's 16-bit value when the call succeeded and the answer is a VT_I2; 0 otherwise.
short ShortAnswer(HRESULT code, const VARIANT& answer);

// Calls the method and returns ShortAnswer; a failing call is reported in debug mode.
short RunCommand(IDispatch* dispatch, DISPID* dispIds, Method method,
                 std::initializer_list<Argument> arguments);

// As RunCommand, never reported.
short RunQuietCommand(IDispatch* dispatch, DISPID* dispIds, Method method,
                      std::initializer_list<Argument> arguments);

// Sets *text to null, calls the method and, on success, hands over the answer's string (null
// unless the answer is a VT_BSTR). Returns the call's code; never reported.
HRESULT RunStringQuery(IDispatch* dispatch, DISPID* dispIds, Method method, BSTR* text);

}  // namespace kelocli

#endif
