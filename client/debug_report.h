// The debug switch and the report of failing calls.
#ifndef KELOCLI_CLIENT_DEBUG_REPORT_H
#define KELOCLI_CLIENT_DEBUG_REPORT_H

#include <windows.h>

namespace kelocli {

// Reads the registry text "Pimbax\Kelocli"; when it equals "debug" in any case the reports are on
// for the rest of the process. Nothing ever turns them off.
void ReadDebugSwitch();

// With the reports on and a non-zero code: one modal box "Kelo error: <hex>" captioned
// "Pimbax OLE2 Server", returning when dismissed.
void ReportFailure(HRESULT code);

}  // namespace kelocli

#endif
