// Restarting Wine's RPC service, for the tests that kill the server: Wine keeps a killed server's
// class registration, so that no client can create the class until the service restarts.
#ifndef KELOCLI_TESTS_E2E_RPC_SERVICE_H
#define KELOCLI_TESTS_E2E_RPC_SERVICE_H

#include <windows.h>

namespace e2e {

// Stops the RPC service, which COM starts again on its next use.
inline bool StopRpcService() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return false;
    SC_HANDLE service = OpenServiceW(manager, L"RpcSs", SERVICE_STOP | SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    bool stopped = false;
    if (service != nullptr && ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        for (int i = 0; i < 200 && !stopped; ++i) {
            stopped =
                QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED;
            if (!stopped) Sleep(10);
        }
    }
    if (service != nullptr) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return stopped;
}

}  // namespace e2e

#endif
