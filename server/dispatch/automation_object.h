// The server object a client creates: IDispatch over one Session.
#ifndef PIMBAX_SERVER_AUTOMATION_OBJECT_H
#define PIMBAX_SERVER_AUTOMATION_OBJECT_H

#include <windows.h>
#include <oaidl.h>

#include <atomic>

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
    // The host has ended: the document goes (the caller holds the call lock).
    void Drop() { session_.Close(); }
    Session& GetSession() { return session_; }

  private:
    ~AutomationObject();
    std::atomic<ULONG> references_{1};
    Session session_;
};

// The process that made the call under way, or 0 when it cannot be told.
DWORD CallingProcess();

}  // namespace pimbax

#endif
