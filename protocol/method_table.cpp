#include "method_table.h"

namespace kelocli {

const CLSID kServerClassId = {
    0xCF495723, 0x8632, 0x11CE, {0xBC, 0xAF, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x1B}};

namespace {

using A = Answer;
using W = Wire;

constexpr MethodInfo kMethods[] = {
    {Method::Open, L"Open", A::Short, 1, {W::Name}},
    {Method::FastOpen, L"FastOpen", A::Short, 2, {W::Name, W::Text}},
    {Method::ThreadOpen, L"ThreadOpen", A::Short, 3, {W::Name, W::Text, W::Text}},
    {Method::Close, L"Close", A::Short, 0, {}},
    {Method::Attach, L"Attach", A::Short, 2, {W::Long, W::Long}},
    {Method::Paint,
     L"Paint",
     A::Short,
     8,
     {W::Short, W::Short, W::Short, W::Short, W::Short, W::Short, W::Short, W::Short}},
    {Method::RealizePalette, L"RealizePalette", A::Short, 2, {W::Long, W::Short}},
    {Method::GetSectionName, L"GetSectionName", A::Text, 0, {}},
    {Method::Resurrect, L"Resurrect", A::Short, 2, {W::Name, W::Name}},
    {Method::GetWidth, L"GetWidth", A::Long, 0, {}},
    {Method::GetHeight, L"GetHeight", A::Long, 0, {}},
    {Method::GetHorizontalRes, L"GetHorizontalRes", A::Short, 0, {}},
    {Method::GetVerticalRes, L"GetVerticalRes", A::Short, 0, {}},
    {Method::GetDepth, L"GetDepth", A::Short, 0, {}},
    {Method::GetFileName, L"GETFILENAME", A::Text, 0, {}},
    {Method::GetProcessID, L"GetProcessID", A::Long, 0, {}},
    {Method::GetMainThread, L"GetMainThread", A::Long, 1, {W::Long}},
    {Method::NotifyProcessID, L"NotifyProcessID", A::Short, 1, {W::Long}},
    {Method::OpenStatus, L"OpenStatus", A::Short, 1, {W::Text}},
    {Method::IsRaster, L"IsRaster", A::Short, 0, {}},
    {Method::RefreshOptions, L"RefreshOptions", A::Short, 1, {W::Text}},
    {Method::Save, L"Save", A::Short, 0, {}},
    {Method::SaveAs, L"SaveAs", A::Short, 2, {W::Name, W::Text}},
    {Method::UndoRedo, L"UndoRedo", A::Short, 0, {}},
    {Method::CopyAs, L"CopyAs", A::Short, 1, {W::Short}},
    {Method::PasteFrom, L"PasteFrom", A::Short, 1, {W::Short}},
    {Method::Resize, L"Resize", A::Short, 3, {W::Short, W::Short, W::Short}},
    {Method::Rotate, L"Rotate", A::Short, 3, {W::Short, W::Short, W::Short}},
    {Method::Crop, L"Crop", A::Short, 4, {W::Short, W::Short, W::Short, W::Short}},
    {Method::Grayize, L"Grayize", A::Short, 0, {}},
    {Method::Blackize, L"Blackize", A::Short, 0, {}},
    {Method::Reduce, L"Reduce", A::Short, 4, {W::Short, W::Short, W::Short, W::Short}},
    {Method::Equalize, L"Equalize", A::Short, 0, {}},
    {Method::ChangeFont, L"ChangeFont", A::Short, 4, {W::Text, W::Text, W::Float, W::Float}},
    {Method::Gamma, L"Gamma", A::Short, 3, {W::Short, W::Short, W::Short}},
    {Method::Invert, L"Invert", A::Short, 0, {}},
    {Method::ReverseBW, L"ReverseBW", A::Short, 0, {}},
    {Method::ChangeColor, L"ChangeColor", A::Short, 2, {W::Long, W::Long}},
    {Method::PickColor, L"PickColor", A::Long, 2, {W::Long, W::Long}},
    {Method::Rasterize, L"Rasterize", A::Short, 3, {W::Short, W::Short, W::Short}},
    {Method::ThreeDize, L"ThreeDize", A::Short, 0, {}},
    {Method::Vectorize,
     L"Vectorize",
     A::Short,
     6,
     {W::Short, W::Short, W::Short, W::Short, W::Short, W::Short}},
    {Method::PrepRaster, L"PrepRaster", A::Short, 3, {W::Short, W::Short, W::Short}},
    {Method::GetFontInfo, L"GetFontInfo", A::Text, 0, {}},
    {Method::GetPaletteInfo, L"GetPaletteInfo", A::Text, 0, {}},
    {Method::SetPointOfView,
     L"SETPOV",
     A::Short,
     7,
     {W::Double, W::Double, W::Double, W::Double, W::Double, W::Double, W::Short}},
    {Method::GetPointOfView,
     L"GETPOV",
     A::Short,
     6,
     {W::DoubleOut, W::DoubleOut, W::DoubleOut, W::DoubleOut, W::DoubleOut, W::DoubleOut}},
    {Method::Get3DInfo,
     L"GET3DINFO",
     A::Short,
     6,
     {W::DoubleOut, W::DoubleOut, W::DoubleOut, W::DoubleOut, W::DoubleOut, W::DoubleOut}},
    {Method::SaveScript, L"SaveScript", A::Short, 1, {W::Name}},
    {Method::Convert, L"Convert", A::Short, 4, {W::Name, W::Name, W::Text, W::Name}},
    {Method::Test, L"Test", A::Short, 3, {W::Name, W::Long, W::Long}},
};

// Cache entry -> index into kMethods, -1 for the entries of no method.
struct Index {
    int of[kMethodCacheEntries];
    constexpr Index() : of() {
        for (int& entry : of) entry = -1;
        for (int i = 0; i < static_cast<int>(sizeof kMethods / sizeof kMethods[0]); ++i) {
            of[static_cast<int>(kMethods[i].method)] = i;
        }
    }
};
constexpr Index kIndex;

}  // namespace

const MethodInfo* MethodInfos() {
    return kMethods;
}

std::size_t MethodCount() {
    return sizeof kMethods / sizeof kMethods[0];
}

const MethodInfo& InfoOf(Method method) {
    return kMethods[kIndex.of[static_cast<int>(method)]];
}

const wchar_t* MethodName(Method method) {
    return InfoOf(method).name;
}

VARTYPE WireType(Wire wire) {
    switch (wire) {
        case Wire::Short:
            return VT_I2;
        case Wire::Long:
            return VT_I4;
        case Wire::Float:
            return VT_R4;
        case Wire::Double:
            return VT_R8;
        case Wire::DoubleOut:
            return VT_BYREF | VT_R8;
        default:
            return VT_BSTR;
    }
}

}  // namespace kelocli
