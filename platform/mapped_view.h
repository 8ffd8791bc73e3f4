// How much of a mapped view can be read. A view's size is not kept by the system beside it, but
// the committed region holding it tells: to the view's end, rounded up to whole pages.
#ifndef KELOCLI_PLATFORM_MAPPED_VIEW_H
#define KELOCLI_PLATFORM_MAPPED_VIEW_H

#include <windows.h>

#include <cstddef>

namespace kelocli {

// Bytes readable from `address` to the end of the committed region holding it; 0 when the memory
// there is not committed or not readable.
inline std::size_t ReadableBytes(const void* address) {
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    MEMORY_BASIC_INFORMATION region;
    if (address == nullptr || VirtualQuery(address, &region, sizeof region) != sizeof region) {
        return 0;
    }
    if (region.State != MEM_COMMIT) return 0;
    if ((region.Protect & kReadable) == 0 || (region.Protect & PAGE_GUARD) != 0) return 0;
    const char* end = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    return static_cast<std::size_t>(end - static_cast<const char*>(address));
}

}  // namespace kelocli

#endif
