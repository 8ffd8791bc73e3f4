// Arguments as the library passes them, read for one method of the protocol table.
//
// Positional, rgvarg[0] holding the FIRST argument. Types are checked strictly, without
// VariantChangeType, so that a client's mistake is reported rather than guessed at:
//  - 16-bit and 32-bit integers: any integer variant (VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4,
//    VT_UI4, VT_INT, VT_UINT, VT_I8, VT_UI8) whose value fits, else DISP_E_OVERFLOW; a VT_UI4
//    or VT_UINT keeps its 32 bits for a 32-bit argument (handles travel that way);
//  - numbers (R4 and R8 arguments): VT_R4, VT_R8 or any integer variant;
//  - strings and names: VT_BSTR (a null BSTR is the empty string), read as host strings
//    (host_strings.h); a name of more than kMaxHostNameUnits units is marked as cut;
//  - out-parameters: VT_BYREF | VT_R8 with a pointer;
//  - an input given by reference (VT_BYREF | the type, or VT_BYREF | VT_VARIANT) is read
//    through its pointer;
//  - a missing argument (VT_ERROR holding DISP_E_PARAMNOTFOUND) is DISP_E_PARAMNOTFOUND;
//    anything else DISP_E_TYPEMISMATCH. Both report the argument's rgvarg index.
// A class with another convention (the usual automation order, conversions) reads its arguments
// with a reader of its own into the same Arguments.
#ifndef PIMBAX_SERVER_DISPATCH_ARGUMENTS_H
#define PIMBAX_SERVER_DISPATCH_ARGUMENTS_H

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "method_table.h"

namespace pimbax {

struct Arguments {
    long long integer[kelocli::kMostArguments] = {};
    double real[kelocli::kMostArguments] = {};
    std::wstring text[kelocli::kMostArguments];
    double* out[kelocli::kMostArguments] = {};
    bool cut[kelocli::kMostArguments] = {};  // a name too long to be the whole name

    short S(int i) const { return static_cast<short>(integer[i]); }
    LONG L(int i) const { return static_cast<LONG>(integer[i]); }
};

// S_OK, or the failure with *argumentError (when given) set to the argument's rgvarg index.
HRESULT ReadArguments(const kelocli::MethodInfo& method, const DISPPARAMS& parameters,
                      Arguments& out, UINT* argumentError);

}  // namespace pimbax

#endif
