#include "dispatch/session.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include "documents/scene_document.h"
#include "documents/text_document.h"
#include "budgets.h"
#include "rendering/canvas.h"
#include "rendering/clipboard.h"
#include "rendering/host_paint.h"
#include "rendering/paint_helper/paint_job.h"

namespace pimbax {

namespace {

SourceRect Whole(const Document& document) {
    return {0.0, 0.0, static_cast<double>(document.Width()),
            static_cast<double>(document.Height())};
}

// The loader of a "ThreadOpen", on its own thread.
void LoadPending(const std::shared_ptr<PendingOpen>& pending) {
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
        pending->result = LoadDocument(pending->path, &pending->document);
    } catch (...) {
        pending->result = kTooLarge;
        pending->document.reset();
    }
    if (SUCCEEDED(apartment)) CoUninitialize();
    SetEvent(pending->finished.Get());
    if (pending->announced) SetEvent(pending->announced.Get());
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), length, &full[0], nullptr);
    if (written == 0 || written >= length) return path;
    full.resize(written);
    return full;
}

void Session::Install(std::unique_ptr<Document> document, std::wstring fileName) {
    document_ = std::move(document);
    fileName_ = std::move(fileName);
    Changed();
}

// --- Opening -----------------------------------------------------------------------------------

Result Session::Open(const std::wstring& path) {
    std::unique_ptr<Document> document;
    lastOpen_ = LoadDocument(path, &document);
    if (lastOpen_ == kOk) Install(std::move(document), FullPath(path));
    return lastOpen_;
}

Result Session::ThreadOpen(const std::wstring& path, const std::wstring& eventName) {
    const DWORD attributes =
        path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        lastOpen_ = kUnreadable;
        return lastOpen_;
    }
    auto pending = std::make_shared<PendingOpen>();
    pending->finished.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!pending->finished) return kTooLarge;
    if (!eventName.empty()) {
        pending->announced.Reset(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
        if (!pending->announced) return kBadValue;
        ResetEvent(pending->announced.Get());
    }
    pending->path = path;
    pending->fullPath = FullPath(path);
    try {
        std::thread(LoadPending, pending).detach();
    } catch (const std::system_error&) {
        return Open(path);  // no thread to be had: open here
    }
    pending_ = std::move(pending);
    return kOk;
}

void Session::Settle() {
    if (!pending_ || WaitForSingleObject(pending_->finished.Get(), 0) != WAIT_OBJECT_0) return;
    const std::shared_ptr<PendingOpen> ended = std::move(pending_);
    lastOpen_ = ended->result;
    if (ended->result == kOk && ended->document) {
        Install(std::move(ended->document), ended->fullPath);
    }
}

void Session::Close() {
    pending_.reset();
    document_.reset();
    fileName_.clear();
    imageSection_.Reset();
    paletteSection_.Reset();
    attachment_ = Attachment();
    painted_ = false;
    Changed();
}

Result Session::Resurrect(const std::wstring& section, const std::wstring& fileName) {
    std::unique_ptr<Document> document;
    const Result result = ResurrectFromSection(section, &document);
    if (result == kOk) Install(std::move(document), fileName);
    return result;
}

// --- Display -----------------------------------------------------------------------------------

Result Session::Attach(LONG window, LONG dc, DWORD owner) {
    attachment_ = {window, dc, owner};
    return kOk;
}

Result Session::RealizePalette(LONG, short) {
    // Displays are true colour here; the palette is published for the host's own realisation.
    return document_ ? kOk : kNoDocument;
}

Result Session::Paint(const std::array<short, 8>& rectangles) {
    if (!document_) return kNoDocument;
    const Result result = PaintWith(rectangles);
    if (result == kOk) {
        painted_ = true;
        lastPaint_ = rectangles;
    }
    return result;
}

Result Session::PaintWith(const std::array<short, 8>& r) {
    const SourceRect source = {static_cast<double>(r[0]), static_cast<double>(r[1]),
                               static_cast<double>(r[2]), static_cast<double>(r[3])};
    const RECT target = {r[4], r[5], r[6], r[7]};
    if (source.right <= source.left || source.bottom <= source.top || target.right <= target.left ||
        target.bottom <= target.top) {
        return kBadValue;
    }
    // Only the process that attached is painted into: its device context, or its own window.
    const DWORD process = attachment_.owner;
    if (process == 0 || (attachment_.dc == 0 && attachment_.window == 0)) return kNoTarget;
    if (attachment_.dc == 0) {
        HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(attachment_.window));
        DWORD windowProcess = 0;
        if (!IsWindow(window) || GetWindowThreadProcessId(window, &windowProcess) == 0 ||
            windowProcess != process) {
            return kNoTarget;
        }
    }

    // Very large targets are rendered smaller and stretched by the helper.
    int width = target.right - target.left;
    int height = target.bottom - target.top;
    while (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
           kMaxPaintPixels) {
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
    }
    const std::uint64_t bytes =
        PIMBAX_PAINT_JOB_HEADER_BYTES + Canvas::PixelBytes(width, height, 32);
    UniqueHandle section(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                            static_cast<DWORD>(bytes >> 32),
                                            static_cast<DWORD>(bytes), nullptr));
    if (!section) return kTooLarge;
    {
        Canvas canvas;
        if (!canvas.Create(width, height, 32, section.Get(), PIMBAX_PAINT_JOB_HEADER_BYTES)) {
            return kTooLarge;
        }
        document_->Render(canvas, source, RECT{0, 0, width, height});
        GdiFlush();
    }
    UniqueView view(
        MapViewOfFile(section.Get(), FILE_MAP_WRITE, 0, 0, PIMBAX_PAINT_JOB_HEADER_BYTES));
    if (!view) return kTooLarge;
    PimbaxJobHeader job = {};
    job.magic = PIMBAX_PAINT_JOB_MAGIC;
    job.version = PIMBAX_PAINT_JOB_VERSION;
    job.dc = attachment_.dc;
    job.window = attachment_.dc != 0 ? 0 : attachment_.window;
    job.target = target;
    job.width = width;
    job.height = height;
    job.bitsOffset = PIMBAX_PAINT_JOB_HEADER_BYTES;
    std::memcpy(const_cast<void*>(view.Get()), &job, sizeof job);
    view.Reset();
    return ThePainter().Deliver(process, section.Get());
}

// --- Queries -----------------------------------------------------------------------------------

short Session::Kind() const {
    return document_ ? document_->Kind() : kOtherKind;
}

HRESULT Session::Size(long* width, long* height) const {
    if (!document_) return kNoDocumentCode;
    if (width != nullptr) *width = document_->Width();
    if (height != nullptr) *height = document_->Height();
    return S_OK;
}

HRESULT Session::Resolution(short* horizontal, short* vertical) const {
    if (!document_) return kNoDocumentCode;
    if (horizontal != nullptr) *horizontal = static_cast<short>(document_->DpiX());
    if (vertical != nullptr) *vertical = static_cast<short>(document_->DpiY());
    return S_OK;
}

HRESULT Session::Depth(short* depth) const {
    if (!document_) return kNoDocumentCode;
    *depth = static_cast<short>(document_->Depth());
    return S_OK;
}

HRESULT Session::FileName(std::wstring* name) const {
    if (!document_) return kNoDocumentCode;
    *name = fileName_;
    return S_OK;
}

HRESULT Session::SectionName(std::wstring* name) {
    if (!document_) return kNoDocumentCode;
    if (imageRefusal_.version == version_) return imageRefusal_.code;
    if (imageSection_.Empty() || imageVersion_ != version_) {
        PublishedSection section;
        HRESULT refused = E_OUTOFMEMORY;
        try {
            const RasterImage* image = document_->Image();
            if (image != nullptr ? section.PublishImage(*image)
                                 : section.PublishDrawing(*document_)) {
                refused = S_OK;
            }
        } catch (const std::bad_alloc&) {
        } catch (const DrawingTooLong&) {
            refused = kTooLongCode;
        }
        if (FAILED(refused)) {
            imageRefusal_ = {version_, refused};
            return refused;
        }
        imageSection_ = std::move(section);
        imageVersion_ = version_;
    }
    *name = imageSection_.Name();
    return S_OK;
}

HRESULT Session::PaletteName(std::wstring* name) {
    if (!document_) return kNoDocumentCode;
    if (paletteSection_.Empty() || paletteVersion_ != version_) {
        PublishedSection section;
        if (!section.PublishPalette(*document_)) return E_OUTOFMEMORY;
        paletteSection_ = std::move(section);
        paletteVersion_ = version_;
    }
    *name = paletteSection_.Name();
    return S_OK;
}

HRESULT Session::FontInfo(std::wstring* text) const {
    if (!document_) return kNoDocumentCode;
    TextDocument* page = document_->AsText();
    if (page == nullptr) return kNotApplicableCode;
    *text = page->FontInfo();
    return S_OK;
}

HRESULT Session::PickColor(long x, long y, long* colour) {
    if (!document_) return kNoDocumentCode;
    if (x < 0 || y < 0 || x >= document_->Width() || y >= document_->Height()) return kBadValueCode;
    if (const RasterImage* image = document_->Image()) {
        *colour = static_cast<long>(PixelColor(*image, static_cast<int>(x), static_cast<int>(y)));
        return S_OK;
    }
    // A drawing: that one pixel of it, drawn at its nominal size.
    Canvas canvas;
    if (!canvas.Create(1, 1, 32)) return E_OUTOFMEMORY;
    const SourceRect pixel = {static_cast<double>(x), static_cast<double>(y),
                              static_cast<double>(x + 1), static_cast<double>(y + 1)};
    document_->Render(canvas, pixel, RECT{0, 0, 1, 1});
    GdiFlush();
    const std::uint32_t value = canvas.Row(0)[0];
    *colour = static_cast<long>(RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF));
    return S_OK;
}

// --- 3D ----------------------------------------------------------------------------------------

Result Session::SetPointOfView(const PointOfView& view, short flag) {
    if (!document_) return kNoDocument;
    SceneDocument* scene = document_->AsScene();
    if (scene == nullptr) return kWrongKind;
    const Result result = scene->SetPointOfView(view);
    if (result != kOk) return result;
    Changed();
    if ((flag & 1) && painted_) return Paint(lastPaint_);
    return kOk;
}

Result Session::GetPointOfView(PointOfView* view) const {
    if (!document_) return kNoDocument;
    SceneDocument* scene = document_->AsScene();
    if (scene == nullptr) return kWrongKind;
    *view = scene->View();
    return kOk;
}

Result Session::Get3DInfo(double values[6]) const {
    if (!document_) return kNoDocument;
    if (SceneDocument* scene = document_->AsScene()) {
        scene->Extents(values);
        return kOk;
    }
    const double values2D[6] = {document_->Width() / 2.0,
                                document_->Height() / 2.0,
                                0.0,
                                static_cast<double>(document_->Width()),
                                static_cast<double>(document_->Height()),
                                0.0};
    std::copy(values2D, values2D + 6, values);
    return kWrongKind;
}

// --- Commands ----------------------------------------------------------------------------------

Result Session::Resize(short width, short height, short flag) {
    if (!document_) return kNoDocument;
    const Result result = document_->Resize(width, height, flag);
    if (result == kOk) Changed();
    return result;
}

Result Session::Rasterize(short right, short bottom, short bitsPerPixel) {
    if (!document_) return kNoDocument;
    if (right < 1 || bottom < 1 || !IsSupportedDepth(bitsPerPixel)) return kBadValue;
    // The image, and the 32-bit canvas it is drawn on first, within their budgets.
    if (static_cast<std::uint64_t>(DibStride(right, bitsPerPixel)) * bottom > kMaxPixelBytes ||
        Canvas::PixelBytes(right, bottom, 32) > kMaxCanvasBytes) {
        return kTooLarge;
    }
    Canvas canvas;
    if (!canvas.Create(right, bottom, 32)) return kTooLarge;
    const RECT fitted = FitToCorner(document_->Width(), document_->Height(), right, bottom);
    document_->Render(canvas, Whole(*document_), fitted);
    GdiFlush();
    RasterImage image;
    if (!PackBgra(canvas.Bits(), right, bottom, bitsPerPixel, false, image)) return kTooLarge;
    image.dpiX = document_->DpiX();
    image.dpiY = document_->DpiY();
    Install(MakeRasterDocument(std::move(image)), fileName_);
    return kOk;
}

Result Session::ChangeFont(const std::wstring& face, const std::wstring& style, double points,
                           double spacing) {
    if (!document_) return kNoDocument;
    TextDocument* page = document_->AsText();
    if (page == nullptr) return kWrongKind;
    const Result result = page->ChangeFont(face, style, points, spacing);
    if (result == kOk) Changed();
    return result;
}

Result Session::CopyAs(short format, HWND owner) {
    if (!document_) return kNoDocument;
    if (format == CF_DIB) {
        const RasterImage* image = document_->Image();
        return image != nullptr ? PutDib(owner, *image) : PutDrawingDib(owner, *document_);
    }
    if (format != CF_ENHMETAFILE) return kNotSupported;
    return PutMetafile(owner, document_->Record());
}

Result Session::PasteFrom(short format, HWND owner) {
    if (format == CF_DIB) {
        RasterImage image;
        const Result result = GetDib(owner, image);
        if (result == kOk) Install(MakeRasterDocument(std::move(image)), L"");
        return result;
    }
    if (format != CF_ENHMETAFILE) return kNotSupported;
    std::vector<std::uint8_t> bytes;
    Result result = GetMetafileBytes(owner, bytes);
    if (result != kOk) return result;
    std::unique_ptr<Document> document;
    result = MakeMetafileDocument(bytes.data(), bytes.size(), &document);
    if (result == kOk) Install(std::move(document), L"");
    return result;
}

}  // namespace pimbax
