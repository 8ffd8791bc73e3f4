// The class object COM hands out for the server's class.
#ifndef PIMBAX_SERVER_RUNTIME_CLASS_FACTORY_H
#define PIMBAX_SERVER_RUNTIME_CLASS_FACTORY_H

#include <windows.h>
#include <unknwn.h>

namespace pimbax {

class ClassFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    // The class object lives as long as the process.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // A new object, whose host is the calling process. CLASS_E_NOAGGREGATION for an outer
    // object, CO_E_SERVER_STOPPING once the process is ending.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

}  // namespace pimbax

#endif
