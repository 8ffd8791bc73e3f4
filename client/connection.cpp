#include "connection.h"

#include "method_call.h"

namespace kelocli {

const CLSID kServerClassId = {
    0xCF495723, 0x8632, 0x11CE, {0xBC, 0xAF, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x1B}};

HRESULT ConnectServer(IDispatch** dispatch) {
    IUnknown* object = nullptr;
    const HRESULT created = CoCreateInstance(kServerClassId, nullptr, CLSCTX_LOCAL_SERVER,
                                             IID_IUnknown, reinterpret_cast<void**>(&object));
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
