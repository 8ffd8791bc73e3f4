// The server's methods as one table: each entry names the method (its DISPID is its entry in the
// client's method table), the types of its arguments in order (rgvarg[0] holds the FIRST
// argument), the type of its answer and its handler. One routine reads and checks the arguments,
// runs the handler and writes the answer for every method.
//
// Arguments are checked strictly, without VariantChangeType, so that a client's mistake is
// reported rather than guessed at:
//  - 16-bit and 32-bit integers: any integer variant (VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4,
//    VT_UI4, VT_INT, VT_UINT, VT_I8, VT_UI8) whose value fits, else DISP_E_OVERFLOW; a VT_UI4
//    or VT_UINT keeps its 32 bits for a 32-bit argument (handles travel that way);
//  - numbers (R4 and R8 arguments): VT_R4, VT_R8 or any integer variant;
//  - strings: VT_BSTR (a null BSTR is the empty string);
//  - out-parameters: VT_BYREF | VT_R8 with a pointer;
//  - an input given by reference (VT_BYREF | the type, or VT_BYREF | VT_VARIANT) is read
//    through its pointer;
//  - a missing argument (VT_ERROR holding DISP_E_PARAMNOTFOUND) is DISP_E_PARAMNOTFOUND;
//    anything else DISP_E_TYPEMISMATCH. Both report the argument's rgvarg index.
// The wrong number of arguments is DISP_E_BADPARAMCOUNT, named arguments DISP_E_NONAMEDARGS,
// an unknown identifier or a call that is not a method call (DISPATCH_METHOD, with or without
// DISPATCH_PROPERTYGET) DISP_E_MEMBERNOTFOUND. A call that runs out of memory answers
// E_OUTOFMEMORY; the document stays as it was.
#ifndef PIMBAX_SERVER_DISPATCH_H
#define PIMBAX_SERVER_DISPATCH_H

#include <windows.h>
#include <oaidl.h>

namespace pimbax {

class AutomationObject;
class Session;

struct CallContext {
    AutomationObject& object;
    Session& session;
    DWORD caller;  // the calling process, 0 when unknown
};

// The identifier of a method name compared without regard to case; DISPID_UNKNOWN when there is
// no such method.
DISPID DispIdOfName(const wchar_t* name);

HRESULT DispatchCall(CallContext& context, DISPID id, WORD flags, DISPPARAMS* parameters,
                     VARIANT* result, UINT* argumentError);

}  // namespace pimbax

#endif
