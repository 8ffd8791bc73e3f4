// The server's class registration: CLSID\{CF495723-8632-11CE-BCAF-000000001B1B} with its
// LocalServer32 command, under HKEY_CLASSES_ROOT (for every user), or under the user's own
// HKEY_CURRENT_USER\Software\Classes when the machine-wide classes cannot be written.
#ifndef PIMBAX_SERVER_RUNTIME_REGISTRATION_H
#define PIMBAX_SERVER_RUNTIME_REGISTRATION_H

#include <string>

namespace pimbax {

// Registers `executable` as the class's local server. True when one of the two places took it.
bool RegisterServer(const std::wstring& executable);
// Removes the class from both places. True when neither holds it afterwards.
bool UnregisterServer();

}  // namespace pimbax

#endif
