#include "zevobject.h"

#include <windows.h>

namespace {

// Allocations still to fail, set by FailNextAllocations.
volatile LONG pendingFailures = 0;

bool TakeInjectedFailure() {
    for (;;) {
        LONG pending = pendingFailures;
        if (pending <= 0) return false;
        if (InterlockedCompareExchange(&pendingFailures, pending - 1, pending) == pending) {
            return true;
        }
    }
}

}  // namespace

void* ZevObject::operator new(std::size_t size) noexcept {
    if (TakeInjectedFailure()) return nullptr;
    return HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size);
}

void ZevObject::operator delete(void* memory) noexcept {
    if (memory != nullptr) HeapFree(GetProcessHeap(), 0, memory);
}

void ZevObject::FailNextAllocations(int count) noexcept {
    InterlockedExchange(&pendingFailures, count > 0 ? count : 0);
}
