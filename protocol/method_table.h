// The server's methods: each has a fixed entry in a Louie's DISPID cache and a name that is sent
// exactly as written. Entries 0, 25 and 27 belong to no method.
#ifndef KELOCLI_CLIENT_METHOD_TABLE_H
#define KELOCLI_CLIENT_METHOD_TABLE_H

namespace kelocli {

enum class Method : int {
    Open = 1,
    FastOpen = 2,
    ThreadOpen = 3,
    Close = 4,
    Attach = 5,
    Paint = 6,
    RealizePalette = 7,
    GetSectionName = 8,
    Resurrect = 9,
    GetWidth = 10,
    GetHeight = 11,
    GetHorizontalRes = 12,
    GetVerticalRes = 13,
    GetDepth = 14,
    GetFileName = 15,
    GetProcessID = 16,
    GetMainThread = 17,
    NotifyProcessID = 18,
    OpenStatus = 19,
    IsRaster = 20,
    RefreshOptions = 21,
    Save = 22,
    SaveAs = 23,
    UndoRedo = 24,
    CopyAs = 26,
    PasteFrom = 28,
    Resize = 29,
    Rotate = 30,
    Crop = 31,
    Grayize = 32,
    Blackize = 33,
    Reduce = 34,
    Equalize = 35,
    ChangeFont = 36,
    Gamma = 37,
    Invert = 38,
    ReverseBW = 39,
    ChangeColor = 40,
    PickColor = 41,
    Rasterize = 42,
    ThreeDize = 43,
    Vectorize = 44,
    PrepRaster = 45,
    GetFontInfo = 46,
    GetPaletteInfo = 47,
    SetPointOfView = 48,
    GetPointOfView = 49,
    Get3DInfo = 50,
    SaveScript = 51,
    Convert = 52,
    Test = 53,
};

constexpr int kMethodCacheEntries = 54;

// The name the server knows the method by.
const wchar_t* MethodName(Method method);

}  // namespace kelocli

#endif
