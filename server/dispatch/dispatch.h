// The one call mechanism behind every method: the protocol's entry for the identifier, its
// arguments read and checked, the object's lock (once any opening under way has ended), the
// server's handler for the method, and the answer written.
//
// Before any handler runs: an identifier that names no method, or a call that is not a method
// call (DISPATCH_METHOD, with or without DISPATCH_PROPERTYGET), is DISP_E_MEMBERNOTFOUND; named
// arguments DISP_E_NONAMEDARGS; another number of arguments DISP_E_BADPARAMCOUNT; then the
// arguments' own checks (arguments.h).
//
// Nothing escapes into COM. A handler that runs out of memory answers kTooLarge (commands) or
// E_OUTOFMEMORY (queries), and the document stays as it was. A handler that fails otherwise (a
// DocumentFault from the playback helper, any other exception) answers kBadFormat or
// kDamagedCode, and the object's document is dropped: that object alone loses it. A drawing that
// takes too long answers kTooLarge or kTooLongCode. A call whose object was dropped meanwhile
// answers kTooLarge or E_ABORT.
#ifndef PIMBAX_SERVER_DISPATCH_DISPATCH_H
#define PIMBAX_SERVER_DISPATCH_DISPATCH_H

#include <windows.h>
#include <oaidl.h>

namespace pimbax {

class AutomationObject;

// The identifier of a method name compared without regard to case; DISPID_UNKNOWN when there is
// no such method.
DISPID DispIdOfName(const wchar_t* name);

HRESULT DispatchCall(AutomationObject& object, DWORD caller, DISPID id, WORD flags,
                     DISPPARAMS* parameters, VARIANT* result, UINT* argumentError);

}  // namespace pimbax

#endif
