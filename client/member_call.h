// The patterns Louie's members follow around the call mechanism: a command (16-bit result,
// reported when it fails), a quiet 16-bit query, and a string query.
#ifndef KELOCLI_CLIENT_MEMBER_CALL_H
#define KELOCLI_CLIENT_MEMBER_CALL_H

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <initializer_list>

#include "method_call.h"

namespace kelocli {

// Capacities of the wide buffers host strings are widened into, in units with the terminator.
constexpr std::size_t kPathUnits = 780;      // file names, scripts, conversion paths
constexpr std::size_t kShortNameUnits = 20;  // the second and third names of the opens
constexpr std::size_t kSaveFormatUnits = 4;  // SaveAs's format: at most 3 characters
constexpr std::size_t kConvertFormatUnits = 6;
constexpr std::size_t kStatusUnits = 30;  // OpenStatus, RefreshOptions
constexpr std::size_t kFontUnits = 256;

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
