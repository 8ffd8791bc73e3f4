// What the server does for each method of the protocol: one handler per method, and whether the
// method reports its failures as a 16-bit result (a command) or as an HRESULT (a query).
// Methods this server does not carry out answer kNotSupported.
#ifndef PIMBAX_SERVER_DISPATCH_METHODS_H
#define PIMBAX_SERVER_DISPATCH_METHODS_H

#include <windows.h>

#include <string>

#include "dispatch/arguments.h"
#include "method_table.h"

namespace pimbax {

class AutomationObject;
class Session;

struct Call {
    AutomationObject& object;
    Session& session;
    DWORD caller;  // the calling process, 0 when unknown
};

// A handler's answer: a failing code, or success with a number or a string.
struct Reply {
    HRESULT code = S_OK;
    long value = 0;
    std::wstring text;
};

enum class Reports { Result, Code };

struct MethodHandler {
    kelocli::Method method;
    Reports reports;
    Reply (*run)(Call&, const Arguments&);
};

// The server's handler of a method; null for identifiers of no method.
const MethodHandler* FindHandler(DISPID id);

}  // namespace pimbax

#endif
