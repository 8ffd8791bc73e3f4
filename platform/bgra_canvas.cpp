#include "bgra_canvas.h"

#include <algorithm>
#include <utility>

namespace kelocli {

bool BgraCanvas::Create(int width, int height, COLORREF fill, HANDLE section, DWORD offset) {
    if (width < 1 || height < 1) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, section, offset));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc || bits == nullptr) return false;
    SelectObject(dc.Get(), bitmap.Get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    const std::uint32_t pixel = (static_cast<std::uint32_t>(GetRValue(fill)) << 16) |
                                (static_cast<std::uint32_t>(GetGValue(fill)) << 8) |
                                GetBValue(fill);
    std::fill(bits_, bits_ + static_cast<std::size_t>(width) * height, pixel);
    return true;
}

bool BgraCanvas::CaptureScreen() {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (!Create(width, height, RGB(0, 0, 0))) return false;
    const WindowDc screen(nullptr);
    const bool copied = screen.Get() != nullptr &&
                        BitBlt(dc_.Get(), 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY);
    GdiFlush();
    return copied;
}

COLORREF BgraCanvas::At(int x, int y) const {
    GdiFlush();
    const std::uint32_t pixel = Row(y)[x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

}  // namespace kelocli
