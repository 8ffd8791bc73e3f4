// The server's helper inside a host process: copies a rendered picture onto the host's device
// context or window. Loaded into the host by the server and started on a thread of its own; the
// host's thread is waiting in its call to the server meanwhile.
#include <windows.h>

#include "paint_job.h"

namespace {

bool IsDrawable(HDC dc) {
    switch (GetObjectType(dc)) {
        case OBJ_DC:
        case OBJ_MEMDC:
        case OBJ_ENHMETADC:
        case OBJ_METADC:
            return true;
        default:
            return false;
    }
}

DWORD Paint(const PimbaxJobHeader& job, const void* bits) {
    HDC dc = reinterpret_cast<HDC>(static_cast<INT_PTR>(job.dc));
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(job.window));
    HDC windowDc = nullptr;
    if (dc == nullptr) {
        if (window == nullptr || !IsWindow(window)) return PIMBAX_PAINT_NO_TARGET;
        windowDc = GetDC(window);
        dc = windowDc;
    }
    if (dc == nullptr || !IsDrawable(dc)) return PIMBAX_PAINT_NO_TARGET;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = job.width;
    info.bmiHeader.biHeight = -job.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int mode = SetStretchBltMode(dc, COLORONCOLOR);
    const int lines =
        StretchDIBits(dc, job.target.left, job.target.top, job.target.right - job.target.left,
                      job.target.bottom - job.target.top, 0, 0, job.width, job.height, bits, &info,
                      DIB_RGB_COLORS, SRCCOPY);
    if (mode != 0) SetStretchBltMode(dc, mode);
    GdiFlush();
    if (windowDc != nullptr) ReleaseDC(window, windowDc);
    return lines > 0 ? PIMBAX_PAINT_DONE : PIMBAX_PAINT_FAILED;
}

}  // namespace

// The thread entry: `parameter` is this process's handle on the job's section, which the helper
// closes.
extern "C" __declspec(dllexport) DWORD WINAPI PimbaxPaintJob(void* parameter) {
    HANDLE section = static_cast<HANDLE>(parameter);
    const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
    DWORD result = PIMBAX_PAINT_BAD_JOB;
    MEMORY_BASIC_INFORMATION region = {};
    if (view != nullptr && VirtualQuery(view, &region, sizeof region) == sizeof region &&
        region.RegionSize >= PIMBAX_PAINT_JOB_HEADER_BYTES) {
        const PimbaxJobHeader* job = static_cast<const PimbaxJobHeader*>(view);
        const unsigned long long pixels = static_cast<unsigned long long>(job->width) *
                                          static_cast<unsigned long long>(job->height);
        if (job->magic == PIMBAX_PAINT_JOB_MAGIC && job->version == PIMBAX_PAINT_JOB_VERSION &&
            job->width > 0 && job->height > 0 && job->bitsOffset >= sizeof *job &&
            job->bitsOffset <= region.RegionSize &&
            pixels * 4 <= region.RegionSize - job->bitsOffset) {
            result = Paint(*job, static_cast<const char*>(view) + job->bitsOffset);
        }
    }
    if (view != nullptr) UnmapViewOfFile(view);
    CloseHandle(section);
    return result;
}
