#include "debug_report.h"

#include <cstring>

#include "zevmod.h"

namespace kelocli {

namespace {

// Process-wide; only ever goes from 0 to 1.
volatile LONG debugMode = 0;

}  // namespace

void ReadDebugSwitch() {
    ZevMOD module(nullptr);
    char text[20];
    unsigned long size = sizeof text;
    if (module.GetValue("Pimbax\\Kelocli", text, &size, nullptr) == 0 &&
        _stricmp(text, "debug") == 0) {
        InterlockedExchange(&debugMode, 1);
    }
}

void ReportFailure(HRESULT code) {
    if (code == 0 || debugMode == 0) return;
    char text[32];
    wsprintfA(text, "Kelo error: %lx", static_cast<unsigned long>(code));
    MessageBoxA(nullptr, text, "Pimbax OLE2 Server", MB_OK);
}

}  // namespace kelocli
