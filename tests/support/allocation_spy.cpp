#include "allocation_spy.h"

#include <oleauto.h>

// Exported by oleaut32 but missing from the mingw headers.
extern "C" void WINAPI SetOaNoCache();

namespace testsupport {

AllocationSpy::AllocationSpy() {
    SetOaNoCache();
    registered_ = SUCCEEDED(CoRegisterMallocSpy(this));
}

AllocationSpy::~AllocationSpy() {
    if (registered_) CoRevokeMallocSpy();
}

HRESULT STDMETHODCALLTYPE AllocationSpy::QueryInterface(REFIID iid, void** object) {
    if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
        *object = static_cast<IMallocSpy*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

void* STDMETHODCALLTYPE AllocationSpy::PostAlloc(void* actual) {
    if (actual != nullptr) alive_.insert(actual);
    return actual;
}

void* STDMETHODCALLTYPE AllocationSpy::PreFree(void* request, BOOL) {
    if (request != nullptr && alive_.erase(request) == 0) ++unknownFrees_;
    return request;
}

SIZE_T STDMETHODCALLTYPE AllocationSpy::PreRealloc(void* request, SIZE_T size, void** newRequest,
                                                   BOOL) {
    if (request != nullptr && alive_.erase(request) == 0) ++unknownFrees_;
    *newRequest = request;
    return size;
}

void* STDMETHODCALLTYPE AllocationSpy::PostRealloc(void* actual, BOOL) {
    if (actual != nullptr) alive_.insert(actual);
    return actual;
}

}  // namespace testsupport
