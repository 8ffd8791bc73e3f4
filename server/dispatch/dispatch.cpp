#include "dispatch/dispatch.h"

#include <array>
#include <climits>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "dispatch/automation_object.h"
#include "method_table.h"
#include "results.h"
#include "runtime/runtime.h"
#include "dispatch/session.h"

namespace pimbax {

namespace {

using kelocli::Method;

constexpr int kMostArguments = 8;

enum class Arg { Short, Long, Real, Text, Out };
enum class Answer { None, Short, Long, Text };

struct Arguments {
    long long integer[kMostArguments] = {};
    double real[kMostArguments] = {};
    std::wstring text[kMostArguments];
    double* out[kMostArguments] = {};

    short S(int i) const { return static_cast<short>(integer[i]); }
    LONG L(int i) const { return static_cast<LONG>(integer[i]); }
};

// A handler's answer: a failing code, or success with a number or a string.
struct Reply {
    HRESULT code = S_OK;
    long value = 0;
    std::wstring text;
};

Reply Number(long value) {
    return Reply{S_OK, value, {}};
}
Reply Text(HRESULT code, std::wstring text) {
    return Reply{code, 0, std::move(text)};
}
Reply Failure(HRESULT code) {
    return Reply{code, 0, {}};
}

using Handler = Reply (*)(CallContext&, const Arguments&);

struct MethodEntry {
    Method method;
    Answer answer;
    std::vector<Arg> arguments;
    Handler handler;
};

Reply NotSupported(CallContext&, const Arguments&) {
    return Number(kNotSupported);
}

template <typename Query>
Reply TextQuery(Query query) {
    std::wstring text;
    const HRESULT code = query(&text);
    return FAILED(code) ? Failure(code) : Text(S_OK, std::move(text));
}

const std::vector<MethodEntry>& Methods() {
    using A = Arg;
    static const std::vector<MethodEntry> methods = {
        {Method::Open,
         Answer::Short,
         {A::Text},
         [](CallContext& c, const Arguments& a) { return Number(c.session.Open(a.text[0])); }},
        // The second name is carried but not used.
        {Method::FastOpen,
         Answer::Short,
         {A::Text, A::Text},
         [](CallContext& c, const Arguments& a) { return Number(c.session.Open(a.text[0])); }},
        {Method::ThreadOpen,
         Answer::Short,
         {A::Text, A::Text, A::Text},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.ThreadOpen(a.text[0], a.text[1]));
         }},
        {Method::Close,
         Answer::Short,
         {},
         [](CallContext& c, const Arguments&) {
             c.session.Close();
             return Number(kOk);
         }},
        {Method::Attach,
         Answer::Short,
         {A::Long, A::Long},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.Attach(a.L(0), a.L(1), c.caller));
         }},
        {Method::Paint,
         Answer::Short,
         {A::Short, A::Short, A::Short, A::Short, A::Short, A::Short, A::Short, A::Short},
         [](CallContext& c, const Arguments& a) {
             return Number(
                 c.session.Paint({a.S(0), a.S(1), a.S(2), a.S(3), a.S(4), a.S(5), a.S(6), a.S(7)}));
         }},
        {Method::RealizePalette,
         Answer::Short,
         {A::Long, A::Short},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.RealizePalette(a.L(0), a.S(1)));
         }},
        {Method::GetSectionName,
         Answer::Text,
         {},
         [](CallContext& c, const Arguments&) {
             return TextQuery([&](std::wstring* t) { return c.session.SectionName(t); });
         }},
        {Method::Resurrect,
         Answer::Short,
         {A::Text, A::Text},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.Resurrect(a.text[0], a.text[1]));
         }},
        {Method::GetWidth,
         Answer::Long,
         {},
         [](CallContext& c, const Arguments&) {
             long width = 0;
             const HRESULT code = c.session.Size(&width, nullptr);
             return FAILED(code) ? Failure(code) : Number(width);
         }},
        {Method::GetHeight,
         Answer::Long,
         {},
         [](CallContext& c, const Arguments&) {
             long height = 0;
             const HRESULT code = c.session.Size(nullptr, &height);
             return FAILED(code) ? Failure(code) : Number(height);
         }},
        {Method::GetHorizontalRes,
         Answer::Short,
         {},
         [](CallContext& c, const Arguments&) {
             short dpi = 0;
             const HRESULT code = c.session.Resolution(&dpi, nullptr);
             return FAILED(code) ? Failure(code) : Number(dpi);
         }},
        {Method::GetVerticalRes,
         Answer::Short,
         {},
         [](CallContext& c, const Arguments&) {
             short dpi = 0;
             const HRESULT code = c.session.Resolution(nullptr, &dpi);
             return FAILED(code) ? Failure(code) : Number(dpi);
         }},
        {Method::GetDepth,
         Answer::Short,
         {},
         [](CallContext& c, const Arguments&) {
             short depth = 0;
             const HRESULT code = c.session.Depth(&depth);
             return FAILED(code) ? Failure(code) : Number(depth);
         }},
        {Method::GetFileName,
         Answer::Text,
         {},
         [](CallContext& c, const Arguments&) {
             return TextQuery([&](std::wstring* t) { return c.session.FileName(t); });
         }},
        {Method::GetProcessID,
         Answer::Long,
         {},
         [](CallContext&, const Arguments&) {
             return Number(static_cast<long>(GetCurrentProcessId()));
         }},
        // The host's own identifier comes along; the answer is the server's main thread.
        {Method::GetMainThread,
         Answer::Long,
         {A::Long},
         [](CallContext&, const Arguments&) {
             return Number(static_cast<long>(Runtime::Get().MainThread()));
         }},
        {Method::NotifyProcessID,
         Answer::Short,
         {A::Long},
         [](CallContext& c, const Arguments& a) {
             return Number(
                 Runtime::Get().SetHost(&c.object, static_cast<DWORD>(a.L(0))) ? kOk : kBadValue);
         }},
        {Method::OpenStatus,
         Answer::Short,
         {A::Text},
         [](CallContext& c, const Arguments&) { return Number(c.session.OpenStatus()); }},
        {Method::IsRaster,
         Answer::Short,
         {},
         [](CallContext& c, const Arguments&) { return Number(c.session.Kind()); }},
        {Method::RefreshOptions, Answer::Short, {A::Text}, NotSupported},
        {Method::Save, Answer::Short, {}, NotSupported},
        {Method::SaveAs, Answer::Short, {A::Text, A::Text}, NotSupported},
        {Method::UndoRedo, Answer::Short, {}, NotSupported},
        {Method::CopyAs,
         Answer::Short,
         {A::Short},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.CopyAs(a.S(0), Runtime::Get().ClipboardOwner()));
         }},
        {Method::PasteFrom,
         Answer::Short,
         {A::Short},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.PasteFrom(a.S(0), Runtime::Get().ClipboardOwner()));
         }},
        {Method::Resize,
         Answer::Short,
         {A::Short, A::Short, A::Short},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.Resize(a.S(0), a.S(1), a.S(2)));
         }},
        {Method::Rotate, Answer::Short, {A::Short, A::Short, A::Short}, NotSupported},
        {Method::Crop, Answer::Short, {A::Short, A::Short, A::Short, A::Short}, NotSupported},
        {Method::Grayize, Answer::Short, {}, NotSupported},
        {Method::Blackize, Answer::Short, {}, NotSupported},
        {Method::Reduce, Answer::Short, {A::Short, A::Short, A::Short, A::Short}, NotSupported},
        {Method::Equalize, Answer::Short, {}, NotSupported},
        {Method::ChangeFont,
         Answer::Short,
         {A::Text, A::Text, A::Real, A::Real},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.ChangeFont(a.text[0], a.text[1], a.real[2], a.real[3]));
         }},
        {Method::Gamma, Answer::Short, {A::Short, A::Short, A::Short}, NotSupported},
        {Method::Invert, Answer::Short, {}, NotSupported},
        {Method::ReverseBW, Answer::Short, {}, NotSupported},
        {Method::ChangeColor, Answer::Short, {A::Long, A::Long}, NotSupported},
        {Method::PickColor,
         Answer::Long,
         {A::Long, A::Long},
         [](CallContext& c, const Arguments& a) {
             long colour = 0;
             const HRESULT code = c.session.PickColor(a.L(0), a.L(1), &colour);
             return FAILED(code) ? Failure(code) : Number(colour);
         }},
        {Method::Rasterize,
         Answer::Short,
         {A::Short, A::Short, A::Short},
         [](CallContext& c, const Arguments& a) {
             return Number(c.session.Rasterize(a.S(0), a.S(1), a.S(2)));
         }},
        {Method::ThreeDize, Answer::Short, {}, NotSupported},
        {Method::Vectorize,
         Answer::Short,
         {A::Short, A::Short, A::Short, A::Short, A::Short, A::Short},
         NotSupported},
        {Method::PrepRaster, Answer::Short, {A::Short, A::Short, A::Short}, NotSupported},
        {Method::GetFontInfo,
         Answer::Text,
         {},
         [](CallContext& c, const Arguments&) {
             return TextQuery([&](std::wstring* t) { return c.session.FontInfo(t); });
         }},
        {Method::GetPaletteInfo,
         Answer::Text,
         {},
         [](CallContext& c, const Arguments&) {
             return TextQuery([&](std::wstring* t) { return c.session.PaletteName(t); });
         }},
        {Method::SetPointOfView,
         Answer::Short,
         {A::Real, A::Real, A::Real, A::Real, A::Real, A::Real, A::Short},
         [](CallContext& c, const Arguments& a) {
             const PointOfView view = {a.real[0], a.real[1], a.real[2],
                                       a.real[3], a.real[4], a.real[5]};
             return Number(c.session.SetPointOfView(view, a.S(6)));
         }},
        {Method::GetPointOfView,
         Answer::Short,
         {A::Out, A::Out, A::Out, A::Out, A::Out, A::Out},
         [](CallContext& c, const Arguments& a) {
             PointOfView view = {};
             const Result result = c.session.GetPointOfView(&view);
             if (result == kOk) {
                 const double values[6] = {view.eyeX, view.eyeY,  view.eyeZ,
                                           view.yaw,  view.pitch, view.twist};
                 for (int i = 0; i < 6; ++i) *a.out[i] = values[i];
             }
             return Number(result);
         }},
        {Method::Get3DInfo,
         Answer::Short,
         {A::Out, A::Out, A::Out, A::Out, A::Out, A::Out},
         [](CallContext& c, const Arguments& a) {
             double values[6] = {};
             const Result result = c.session.Get3DInfo(values);
             if (result == kNoDocument) return Failure(kNoDocumentCode);
             for (int i = 0; i < 6; ++i) *a.out[i] = values[i];
             return Number(result);
         }},
        {Method::SaveScript, Answer::Short, {A::Text}, NotSupported},
        {Method::Convert, Answer::Short, {A::Text, A::Text, A::Text, A::Text}, NotSupported},
        {Method::Test, Answer::Short, {A::Text, A::Long, A::Long}, NotSupported},
    };
    return methods;
}

const MethodEntry* FindMethod(DISPID id) {
    for (const MethodEntry& entry : Methods()) {
        if (static_cast<DISPID>(entry.method) == id) return &entry;
    }
    return nullptr;
}

// The integer value of a variant of an integer type; false for any other type.
bool ReadInteger(VARTYPE type, const void* value, long long* integer, bool* unsigned32) {
    *unsigned32 = false;
    switch (type) {
        case VT_I1:
            *integer = *static_cast<const signed char*>(value);
            return true;
        case VT_UI1:
            *integer = *static_cast<const unsigned char*>(value);
            return true;
        case VT_I2:
            *integer = *static_cast<const SHORT*>(value);
            return true;
        case VT_UI2:
            *integer = *static_cast<const USHORT*>(value);
            return true;
        case VT_I4:
        case VT_INT:
            *integer = *static_cast<const LONG*>(value);
            return true;
        case VT_UI4:
        case VT_UINT:
            *integer = *static_cast<const ULONG*>(value);
            *unsigned32 = true;
            return true;
        case VT_I8:
            *integer = *static_cast<const LONGLONG*>(value);
            return true;
        case VT_UI8: {
            const ULONGLONG big = *static_cast<const ULONGLONG*>(value);
            *integer =
                big > static_cast<ULONGLONG>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(big);
            return true;
        }
        default:
            return false;
    }
}

HRESULT ReadArgument(const VARIANT& given, Arg kind, int i, Arguments& out) {
    const VARIANT* variant = &given;
    if (variant->vt == (VT_BYREF | VT_VARIANT)) {
        if (variant->pvarVal == nullptr) return DISP_E_TYPEMISMATCH;
        variant = variant->pvarVal;
    }
    const VARTYPE type = variant->vt;
    if (kind == Arg::Out) {
        if (type != (VT_BYREF | VT_R8) || variant->pdblVal == nullptr) return DISP_E_TYPEMISMATCH;
        out.out[i] = variant->pdblVal;
        return S_OK;
    }
    if (type == VT_ERROR && variant->scode == DISP_E_PARAMNOTFOUND) return DISP_E_PARAMNOTFOUND;
    const bool byReference = (type & VT_BYREF) != 0;
    const VARTYPE base = type & ~VT_BYREF;
    if ((type & (VT_ARRAY | VT_VECTOR)) != 0 || (byReference && variant->byref == nullptr)) {
        return DISP_E_TYPEMISMATCH;
    }
    const void* value = byReference ? variant->byref : static_cast<const void*>(&variant->llVal);

    if (kind == Arg::Text) {
        if (base != VT_BSTR) return DISP_E_TYPEMISMATCH;
        const BSTR text = *static_cast<const BSTR*>(value);
        out.text[i].assign(text == nullptr ? L"" : text, text == nullptr ? 0 : SysStringLen(text));
        return S_OK;
    }
    if (kind == Arg::Real && (base == VT_R4 || base == VT_R8)) {
        out.real[i] =
            base == VT_R4 ? *static_cast<const float*>(value) : *static_cast<const double*>(value);
        return S_OK;
    }
    long long integer = 0;
    bool unsigned32 = false;
    if (!ReadInteger(base, value, &integer, &unsigned32)) return DISP_E_TYPEMISMATCH;
    switch (kind) {
        case Arg::Short:
            if (integer < SHRT_MIN || integer > SHRT_MAX) return DISP_E_OVERFLOW;
            break;
        case Arg::Long:
            if (unsigned32) integer = static_cast<LONG>(static_cast<ULONG>(integer));
            if (integer < LONG_MIN || integer > LONG_MAX) return DISP_E_OVERFLOW;
            break;
        default:
            out.real[i] = static_cast<double>(integer);
            break;
    }
    out.integer[i] = integer;
    return S_OK;
}

}  // namespace

DISPID DispIdOfName(const wchar_t* name) {
    if (name == nullptr) return DISPID_UNKNOWN;
    for (const MethodEntry& entry : Methods()) {
        if (_wcsicmp(name, kelocli::MethodName(entry.method)) == 0) {
            return static_cast<DISPID>(entry.method);
        }
    }
    return DISPID_UNKNOWN;
}

HRESULT DispatchCall(CallContext& context, DISPID id, WORD flags, DISPPARAMS* parameters,
                     VARIANT* result, UINT* argumentError) {
    const MethodEntry* entry = FindMethod(id);
    if (entry == nullptr || (flags & DISPATCH_METHOD) == 0 ||
        (flags & ~(DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    const UINT given = parameters == nullptr ? 0 : parameters->cArgs;
    if (parameters != nullptr && parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (given != entry->arguments.size()) return DISP_E_BADPARAMCOUNT;
    if (given != 0 && parameters->rgvarg == nullptr) return E_INVALIDARG;
    Arguments arguments;
    for (UINT i = 0; i < given; ++i) {
        const HRESULT read = ReadArgument(parameters->rgvarg[i], entry->arguments[i],
                                          static_cast<int>(i), arguments);
        if (FAILED(read)) {
            if (argumentError != nullptr) *argumentError = i;
            return read;
        }
    }
    // Nothing may escape into COM: memory running out mid-call answers E_OUTOFMEMORY.
    Reply reply;
    try {
        context.session.Settle();
        reply = entry->handler(context, arguments);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    if (FAILED(reply.code)) return reply.code;
    if (result == nullptr) return S_OK;
    switch (entry->answer) {
        case Answer::None:
            break;
        case Answer::Short:
            result->vt = VT_I2;
            result->iVal = static_cast<SHORT>(reply.value);
            break;
        case Answer::Long:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(reply.value);
            break;
        case Answer::Text: {
            BSTR text = SysAllocStringLen(reply.text.data(), static_cast<UINT>(reply.text.size()));
            if (text == nullptr) return E_OUTOFMEMORY;
            result->vt = VT_BSTR;
            result->bstrVal = text;
            break;
        }
    }
    return S_OK;
}

}  // namespace pimbax
