#include "method_table.h"

namespace kelocli {

namespace {

// Indexed by cache entry.
constexpr const wchar_t* kMethodNames[kMethodCacheEntries] = {
    nullptr,
    L"Open",
    L"FastOpen",
    L"ThreadOpen",
    L"Close",
    L"Attach",
    L"Paint",
    L"RealizePalette",
    L"GetSectionName",
    L"Resurrect",
    L"GetWidth",
    L"GetHeight",
    L"GetHorizontalRes",
    L"GetVerticalRes",
    L"GetDepth",
    L"GETFILENAME",
    L"GetProcessID",
    L"GetMainThread",
    L"NotifyProcessID",
    L"OpenStatus",
    L"IsRaster",
    L"RefreshOptions",
    L"Save",
    L"SaveAs",
    L"UndoRedo",
    nullptr,
    L"CopyAs",
    nullptr,
    L"PasteFrom",
    L"Resize",
    L"Rotate",
    L"Crop",
    L"Grayize",
    L"Blackize",
    L"Reduce",
    L"Equalize",
    L"ChangeFont",
    L"Gamma",
    L"Invert",
    L"ReverseBW",
    L"ChangeColor",
    L"PickColor",
    L"Rasterize",
    L"ThreeDize",
    L"Vectorize",
    L"PrepRaster",
    L"GetFontInfo",
    L"GetPaletteInfo",
    L"SETPOV",
    L"GETPOV",
    L"GET3DINFO",
    L"SaveScript",
    L"Convert",
    L"Test",
};

}  // namespace

const wchar_t* MethodName(Method method) {
    return kMethodNames[static_cast<int>(method)];
}

}  // namespace kelocli
