// The image server's automation protocol, as both sides compile it: the class, and each method's
// name, identifier (its entry in a Louie's DISPID cache), argument types and answer type.
//
// Arguments travel positionally with rgvarg[0] holding the FIRST argument. Entries 0, 25 and 27
// belong to no method.
#ifndef KELOCLI_PROTOCOL_METHOD_TABLE_H
#define KELOCLI_PROTOCOL_METHOD_TABLE_H

#include <windows.h>
#include <oaidl.h>

#include <cstddef>

namespace kelocli {

// The image server's class: {CF495723-8632-11CE-BCAF-000000001B1B}.
extern const CLSID kServerClassId;

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
constexpr int kMostArguments = 8;

// How an argument travels. Text and Name both travel as VT_BSTR; a Name names a file or a
// section, which the server reads as such.
enum class Wire : unsigned char {
    Short,      // VT_I2
    Long,       // VT_I4 (also handles and process identifiers)
    Float,      // VT_R4
    Double,     // VT_R8
    Text,       // VT_BSTR
    Name,       // VT_BSTR: a file or section name
    DoubleOut,  // VT_BYREF | VT_R8: written by the server
};

// The type of a successful answer: VT_I2, VT_I4 or VT_BSTR; None when no value is given.
enum class Answer : unsigned char { None, Short, Long, Text };

struct MethodInfo {
    Method method;
    const wchar_t* name;  // sent exactly as written; the server compares without regard to case
    Answer answer;
    int argumentCount;
    Wire arguments[kMostArguments];  // in rgvarg order
};

// Every method, in identifier order.
const MethodInfo* MethodInfos();
std::size_t MethodCount();
// The entry of `method`; never null for a value of the enumeration.
const MethodInfo& InfoOf(Method method);
// The name the server knows the method by.
const wchar_t* MethodName(Method method);
// The VARTYPE with which an argument of `wire` arrives.
VARTYPE WireType(Wire wire);

}  // namespace kelocli

#endif
