// Where the server's files are: the path of a loaded module, and files beside the executable.
#ifndef PIMBAX_SERVER_MODULE_PATH_H
#define PIMBAX_SERVER_MODULE_PATH_H

#include <windows.h>

#include <string>

namespace pimbax {

// The full path of `module` (null: the executable); empty when it cannot be told.
std::wstring ModulePath(HMODULE module);
// A file beside the server's executable (its helpers).
std::wstring BesideExecutable(const wchar_t* name);

}  // namespace pimbax

#endif
