// pimbaxsrv.exe: the Pimbax image server, a local automation server.
//
//   pimbaxsrv /RegServer     register the class for this executable (exit code 0 on success)
//   pimbaxsrv /UnregServer   remove the registration
//   pimbaxsrv -Embedding     started by COM: serve objects until none is left (runtime.h)
//
// Options may start with '/' or '-' and are compared without regard to case.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "method_table.h"
#include "module_path.h"
#include "runtime/class_factory.h"
#include "runtime/interface_pins.h"
#include "runtime/registration.h"
#include "runtime/runtime.h"

namespace {

pimbax::ClassFactory factory;
DWORD registration = 0;

void RegisterClassObject() {
    CoRegisterClassObject(kelocli::kServerClassId, &factory, CLSCTX_LOCAL_SERVER,
                          REGCLS_MULTIPLEUSE, &registration);
}

void RevokeClassObject() {
    if (registration != 0) CoRevokeClassObject(registration);
    registration = 0;
}

bool IsOption(const wchar_t* argument, const wchar_t* name) {
    return (argument[0] == L'/' || argument[0] == L'-') && _wcsicmp(argument + 1, name) == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        if (IsOption(argv[i], L"RegServer")) {
            return pimbax::RegisterServer(pimbax::ModulePath(nullptr)) ? 0 : 1;
        }
        if (IsOption(argv[i], L"UnregServer")) return pimbax::UnregisterServer() ? 0 : 1;
    }
    bool embedded = false;
    for (int i = 1; i < argc; ++i) embedded = embedded || IsOption(argv[i], L"Embedding");
    if (!embedded) {
        std::fwprintf(stderr, L"usage: pimbaxsrv /RegServer | /UnregServer | -Embedding\n");
        return 2;
    }
    // Calls arrive on COM's own threads; each object takes them one at a time.
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    pimbax::PinInterfaces();
    // Returns only when another process serves already.
    pimbax::Runtime::Get().Run(RegisterClassObject, RevokeClassObject);
    return 0;
}
