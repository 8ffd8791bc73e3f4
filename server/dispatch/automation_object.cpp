#include "dispatch/automation_object.h"

#include <rpcdcep.h>

#include "dispatch/dispatch.h"
#include "runtime/runtime.h"

namespace pimbax {

namespace {

// A dropped object's caller is gone: a wait for its opening gives up at the next glance.
constexpr DWORD kOpeningGlanceMs = 100;

}  // namespace

DWORD CallingProcess() {
    unsigned long process = 0;
    return I_RpcBindingInqLocalClientPID(nullptr, &process) == RPC_S_OK ? process : 0;
}

AutomationObject::~AutomationObject() {
    Runtime::Get().RemoveObject(this);
}

HRESULT AutomationObject::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AutomationObject::AddRef() {
    return ++references_;
}

ULONG AutomationObject::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

bool AutomationObject::TryAddRef() {
    ULONG count = references_.load();
    while (count != 0) {
        if (references_.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
}

void AutomationObject::Drop() {
    dropped_ = true;
    std::lock_guard<std::mutex> lock(lock_);
    session_.Close();
}

std::unique_lock<std::mutex> AutomationObject::LockSettled() {
    std::unique_lock<std::mutex> lock(lock_);
    for (;;) {
        const std::shared_ptr<PendingOpen> opening = session_.Opening();
        if (!opening) break;
        if (WaitForSingleObject(opening->finished.Get(), 0) == WAIT_OBJECT_0) {
            session_.Settle();
            break;
        }
        lock.unlock();
        while (!Dropped() &&
               WaitForSingleObject(opening->finished.Get(), kOpeningGlanceMs) == WAIT_TIMEOUT) {
        }
        lock.lock();
        if (Dropped()) break;
    }
    return lock;
}

HRESULT AutomationObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT AutomationObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT AutomationObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                        DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    // Only the method name is known; named arguments are not.
    ids[0] = DispIdOfName(names[0]);
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return (ids[0] == DISPID_UNKNOWN || count > 1) ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT AutomationObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                 VARIANT* result, EXCEPINFO*, UINT* argumentError) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return DispatchCall(*this, CallingProcess(), id, flags, parameters, result, argumentError);
}

}  // namespace pimbax
