#include "runtime/class_factory.h"

#include <new>

#include "dispatch/automation_object.h"
#include "runtime/runtime.h"

namespace pimbax {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    AutomationObject* created = new (std::nothrow) AutomationObject;
    if (created == nullptr) return E_OUTOFMEMORY;
    if (!Runtime::Get().AddObject(created, CallingProcess())) {
        created->Release();
        return CO_E_SERVER_STOPPING;
    }
    const HRESULT queried = created->QueryInterface(iid, object);
    created->Release();
    return queried;
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    Runtime::Get().Lock(lock != FALSE);
    return S_OK;
}

}  // namespace pimbax
