// Watches the task allocator, through which BSTRs are made and freed, to prove string ownership:
// a string leaked shows as still alive, a string freed twice (or a foreign pointer freed) shows
// as an unknown free. The BSTR cache is turned off so that every free reaches the allocator.
#ifndef KELOCLI_TESTS_ALLOCATION_SPY_H
#define KELOCLI_TESTS_ALLOCATION_SPY_H

#include <windows.h>
#include <objidl.h>

#include <set>

namespace testsupport {

class AllocationSpy final : public IMallocSpy {
  public:
    // Registers the spy; only one may be active.
    AllocationSpy();
    ~AllocationSpy();
    AllocationSpy(const AllocationSpy&) = delete;
    AllocationSpy& operator=(const AllocationSpy&) = delete;

    // Blocks made since the spy was registered.
    int Made() const { return made_; }
    // Blocks made since the spy was registered and not freed yet.
    size_t Alive() const { return alive_.size(); }
    bool IsAlive(const void* block) const { return alive_.count(block) != 0; }
    // Frees of blocks this spy did not see being made (double frees among them).
    int UnknownFrees() const { return unknownFrees_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override {
        ++made_;
        return size;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override;
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL spied) override;
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest,
                                        BOOL spied) override;
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL spied) override;
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

  private:
    std::set<const void*> alive_;
    int made_ = 0;
    int unknownFrees_ = 0;
    bool registered_ = false;
};

}  // namespace testsupport

#endif
