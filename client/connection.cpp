#include "connection.h"

#include "method_call.h"

namespace kelocli {

bool IsPassingCreationFailure(HRESULT code) {
    switch (code) {
        case CO_E_SERVER_STOPPING:
        case CO_E_SERVER_EXEC_FAILURE:
        case E_NOINTERFACE:
        case RPC_E_SERVERFAULT:
        case RPC_E_DISCONNECTED:
        case RPC_E_SERVER_DIED:
        case RPC_E_SERVER_DIED_DNE:
        case RPC_E_CALL_REJECTED:
        case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
        case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
        case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
            return true;
        default:
            return false;
    }
}

HRESULT ConnectServer(IDispatch** dispatch) {
    // Pauses before the second to fifth attempts; no new attempt after a second has passed (an
    // attempt that starts a server process takes a second of its own).
    constexpr DWORD kPausesMs[kCreationAttempts - 1] = {100, 200, 300, 400};
    constexpr DWORD kRetryWindowMs = 1000;
    const DWORD start = GetTickCount();
    IUnknown* object = nullptr;
    HRESULT created = E_FAIL;
    for (int attempt = 0; attempt < kCreationAttempts; ++attempt) {
        if (attempt > 0) {
            if (GetTickCount() - start >= kRetryWindowMs) break;
            Sleep(kPausesMs[attempt - 1]);
        }
        created = CoCreateInstance(kServerClassId, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(&object));
        if (!IsPassingCreationFailure(created)) break;
    }
    if (FAILED(created)) return created;
    *dispatch = nullptr;
    const HRESULT queried =
        object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch));
    object->Release();
    return queried;
}

void CloseServer(IDispatch* dispatch, DISPID* dispIds) {
    if (dispatch == nullptr) return;
    DISPID id;
    if (SUCCEEDED(ResolveMethod(dispatch, dispIds, Method::Close, &id))) {
        InvokeMethod(dispatch, id, {}, nullptr);
    }
    dispatch->Release();
}

}  // namespace kelocli
