#include "runtime/interface_pins.h"

#include <windows.h>
#include <oaidl.h>
#include <servprov.h>

#include <initializer_list>

namespace pimbax {

namespace {

// An object that only exists to be marshalled: it answers the interfaces and nothing else.
class Pin final : public IDispatch, public IServiceProvider {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
        } else if (IsEqualIID(iid, IID_IServiceProvider)) {
            *object = static_cast<IServiceProvider*>(this);
        }
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    // It lives as long as the process.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID, void** object) override {
        if (object != nullptr) *object = nullptr;
        return E_NOINTERFACE;
    }
};

Pin pin;

}  // namespace

void PinInterfaces() {
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IServiceProvider}) {
        IStream* stream = nullptr;
        if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) continue;
        // Marshalled for good and never released: the stream stays with its stub.
        CoMarshalInterface(stream, *iid, static_cast<IDispatch*>(&pin), MSHCTX_LOCAL, nullptr,
                           MSHLFLAGS_TABLESTRONG);
    }
}

}  // namespace pimbax
