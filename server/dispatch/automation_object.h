// The server object a client creates: IDispatch over one Session.
//
// Each object has a lock of its own, held around every call on it: calls on one object come one
// at a time, calls on different objects run side by side. Before taking it, a call waits for an
// opening that "ThreadOpen" left under way, without holding any lock.
#ifndef PIMBAX_SERVER_DISPATCH_AUTOMATION_OBJECT_H
#define PIMBAX_SERVER_DISPATCH_AUTOMATION_OBJECT_H

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <mutex>

#include "dispatch/session.h"

namespace pimbax {

class AutomationObject final : public IDispatch {
  public:
    AutomationObject() = default;
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    // Names are compared without regard to case; every object gives a name the same identifier.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    // A reference, unless the object is already on its way out.
    bool TryAddRef();
    // The host has ended: a call under way stops at its next check, then the document goes.
    void Drop();
    bool Dropped() const { return dropped_.load(); }
    const std::atomic<bool>& DroppedFlag() const { return dropped_; }
    // The object's lock, taken once no opening is under way (waiting for one holds no lock).
    std::unique_lock<std::mutex> LockSettled();
    Session& GetSession() { return session_; }

  private:
    ~AutomationObject();
    std::atomic<ULONG> references_{1};
    std::atomic<bool> dropped_{false};
    std::mutex lock_;
    Session session_;
};

// The process that made the call under way, or 0 when it cannot be told.
DWORD CallingProcess();

}  // namespace pimbax

#endif
