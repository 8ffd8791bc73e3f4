#include "dispatch/methods.h"

#include <array>

#include "dispatch/automation_object.h"
#include "dispatch/session.h"
#include "results.h"
#include "runtime/runtime.h"

namespace pimbax {

namespace {

using kelocli::Method;
using R = Reports;

Reply Number(long value) {
    return Reply{S_OK, value, {}};
}
Reply Failure(HRESULT code) {
    return Reply{code, 0, {}};
}
template <typename Query>
Reply TextQuery(Query query) {
    std::wstring text;
    const HRESULT code = query(&text);
    return FAILED(code) ? Failure(code) : Reply{S_OK, 0, std::move(text)};
}

Reply NotSupported(Call&, const Arguments&) {
    return Number(kNotSupported);
}

// A file opened by name; a name that may have been cut names no file.
Reply OpenNamed(Call& c, const Arguments& a) {
    return Number(a.cut[0] ? kUnreadable : c.session.Open(a.text[0]));
}

const MethodHandler kHandlers[] = {
    {Method::Open, R::Result, OpenNamed},
    // The second name is carried but not used.
    {Method::FastOpen, R::Result, OpenNamed},
    {Method::ThreadOpen, R::Result,
     [](Call& c, const Arguments& a) {
         return Number(a.cut[0] ? kUnreadable : c.session.ThreadOpen(a.text[0], a.text[1]));
     }},
    {Method::Close, R::Result,
     [](Call& c, const Arguments&) {
         c.session.Close();
         return Number(kOk);
     }},
    {Method::Attach, R::Result,
     [](Call& c, const Arguments& a) {
         return Number(c.session.Attach(a.L(0), a.L(1), c.caller));
     }},
    {Method::Paint, R::Result,
     [](Call& c, const Arguments& a) {
         return Number(
             c.session.Paint({a.S(0), a.S(1), a.S(2), a.S(3), a.S(4), a.S(5), a.S(6), a.S(7)}));
     }},
    {Method::RealizePalette, R::Result,
     [](Call& c, const Arguments& a) { return Number(c.session.RealizePalette(a.L(0), a.S(1))); }},
    {Method::GetSectionName, R::Code,
     [](Call& c, const Arguments&) {
         return TextQuery([&](std::wstring* t) { return c.session.SectionName(t); });
     }},
    {Method::Resurrect, R::Result,
     [](Call& c, const Arguments& a) {
         return Number((a.cut[0] || a.cut[1]) ? kUnreadable
                                              : c.session.Resurrect(a.text[0], a.text[1]));
     }},
    {Method::GetWidth, R::Code,
     [](Call& c, const Arguments&) {
         long width = 0;
         const HRESULT code = c.session.Size(&width, nullptr);
         return FAILED(code) ? Failure(code) : Number(width);
     }},
    {Method::GetHeight, R::Code,
     [](Call& c, const Arguments&) {
         long height = 0;
         const HRESULT code = c.session.Size(nullptr, &height);
         return FAILED(code) ? Failure(code) : Number(height);
     }},
    {Method::GetHorizontalRes, R::Code,
     [](Call& c, const Arguments&) {
         short dpi = 0;
         const HRESULT code = c.session.Resolution(&dpi, nullptr);
         return FAILED(code) ? Failure(code) : Number(dpi);
     }},
    {Method::GetVerticalRes, R::Code,
     [](Call& c, const Arguments&) {
         short dpi = 0;
         const HRESULT code = c.session.Resolution(nullptr, &dpi);
         return FAILED(code) ? Failure(code) : Number(dpi);
     }},
    {Method::GetDepth, R::Code,
     [](Call& c, const Arguments&) {
         short depth = 0;
         const HRESULT code = c.session.Depth(&depth);
         return FAILED(code) ? Failure(code) : Number(depth);
     }},
    {Method::GetFileName, R::Code,
     [](Call& c, const Arguments&) {
         return TextQuery([&](std::wstring* t) { return c.session.FileName(t); });
     }},
    {Method::GetProcessID, R::Code,
     [](Call&, const Arguments&) { return Number(static_cast<long>(GetCurrentProcessId())); }},
    // The host's own identifier comes along; the answer is the server's main thread.
    {Method::GetMainThread, R::Code,
     [](Call&, const Arguments&) {
         return Number(static_cast<long>(Runtime::Get().MainThread()));
     }},
    {Method::NotifyProcessID, R::Result,
     [](Call& c, const Arguments& a) {
         return Number(Runtime::Get().SetHost(&c.object, static_cast<DWORD>(a.L(0))) ? kOk
                                                                                     : kBadValue);
     }},
    {Method::OpenStatus, R::Result,
     [](Call& c, const Arguments&) { return Number(c.session.OpenStatus()); }},
    {Method::IsRaster, R::Result,
     [](Call& c, const Arguments&) { return Number(c.session.Kind()); }},
    {Method::RefreshOptions, R::Result, NotSupported},
    {Method::Save, R::Result, NotSupported},
    {Method::SaveAs, R::Result, NotSupported},
    {Method::UndoRedo, R::Result, NotSupported},
    {Method::CopyAs, R::Result,
     [](Call& c, const Arguments& a) {
         return Number(c.session.CopyAs(a.S(0), Runtime::Get().ClipboardOwner()));
     }},
    {Method::PasteFrom, R::Result,
     [](Call& c, const Arguments& a) {
         return Number(c.session.PasteFrom(a.S(0), Runtime::Get().ClipboardOwner()));
     }},
    {Method::Resize, R::Result,
     [](Call& c, const Arguments& a) { return Number(c.session.Resize(a.S(0), a.S(1), a.S(2))); }},
    {Method::Rotate, R::Result, NotSupported},
    {Method::Crop, R::Result, NotSupported},
    {Method::Grayize, R::Result, NotSupported},
    {Method::Blackize, R::Result, NotSupported},
    {Method::Reduce, R::Result, NotSupported},
    {Method::Equalize, R::Result, NotSupported},
    {Method::ChangeFont, R::Result,
     [](Call& c, const Arguments& a) {
         return Number(c.session.ChangeFont(a.text[0], a.text[1], a.real[2], a.real[3]));
     }},
    {Method::Gamma, R::Result, NotSupported},
    {Method::Invert, R::Result, NotSupported},
    {Method::ReverseBW, R::Result, NotSupported},
    {Method::ChangeColor, R::Result, NotSupported},
    {Method::PickColor, R::Code,
     [](Call& c, const Arguments& a) {
         long colour = 0;
         const HRESULT code = c.session.PickColor(a.L(0), a.L(1), &colour);
         return FAILED(code) ? Failure(code) : Number(colour);
     }},
    {Method::Rasterize, R::Result,
     [](Call& c, const Arguments& a) {
         return Number(c.session.Rasterize(a.S(0), a.S(1), a.S(2)));
     }},
    {Method::ThreeDize, R::Result, NotSupported},
    {Method::Vectorize, R::Result, NotSupported},
    {Method::PrepRaster, R::Result, NotSupported},
    {Method::GetFontInfo, R::Code,
     [](Call& c, const Arguments&) {
         return TextQuery([&](std::wstring* t) { return c.session.FontInfo(t); });
     }},
    {Method::GetPaletteInfo, R::Code,
     [](Call& c, const Arguments&) {
         return TextQuery([&](std::wstring* t) { return c.session.PaletteName(t); });
     }},
    {Method::SetPointOfView, R::Result,
     [](Call& c, const Arguments& a) {
         const PointOfView view = {a.real[0], a.real[1], a.real[2],
                                   a.real[3], a.real[4], a.real[5]};
         return Number(c.session.SetPointOfView(view, a.S(6)));
     }},
    {Method::GetPointOfView, R::Result,
     [](Call& c, const Arguments& a) {
         PointOfView view = {};
         const Result result = c.session.GetPointOfView(&view);
         if (result == kOk) {
             const double values[6] = {view.eyeX, view.eyeY,  view.eyeZ,
                                       view.yaw,  view.pitch, view.twist};
             for (int i = 0; i < 6; ++i) *a.out[i] = values[i];
         }
         return Number(result);
     }},
    {Method::Get3DInfo, R::Code,
     [](Call& c, const Arguments& a) {
         double values[6] = {};
         const Result result = c.session.Get3DInfo(values);
         if (result == kNoDocument) return Failure(kNoDocumentCode);
         for (int i = 0; i < 6; ++i) *a.out[i] = values[i];
         return Number(result);
     }},
    {Method::SaveScript, R::Result, NotSupported},
    {Method::Convert, R::Result, NotSupported},
    {Method::Test, R::Result, NotSupported},
};

}  // namespace

const MethodHandler* FindHandler(DISPID id) {
    for (const MethodHandler& handler : kHandlers) {
        if (static_cast<DISPID>(handler.method) == id) return &handler;
    }
    return nullptr;
}

}  // namespace pimbax
