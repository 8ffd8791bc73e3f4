#include "dispatch/session.h"

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rendering/canvas.h"
#include "rendering/clipboard.h"
#include "handles.h"
#include "rendering/host_paint.h"
#include "budgets.h"
#include "rendering/paint_helper/paint_job.h"
#include "documents/scene_document.h"
#include "documents/text_document.h"

namespace pimbax {

namespace {

// Documents are drawn on white.
constexpr COLORREF kWhite = RGB(255, 255, 255);

SourceRect Whole(const Document& document) {
    return {0.0, 0.0, static_cast<double>(document.Width()),
            static_cast<double>(document.Height())};
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

Session::~Session() {
    if (loader_.joinable()) loader_.join();
}

void Session::Install(std::unique_ptr<Document> document, std::wstring fileName) {
    document_ = std::move(document);
    fileName_ = std::move(fileName);
    Changed();
}

// --- Opening -----------------------------------------------------------------------------------

Result Session::Open(const std::wstring& path) {
    Settle();
    std::unique_ptr<Document> document;
    lastOpen_ = LoadDocument(path, &document);
    if (lastOpen_ == kOk) Install(std::move(document), FullPath(path));
    return lastOpen_;
}

Result Session::ThreadOpen(const std::wstring& path, const std::wstring& eventName) {
    Settle();
    const DWORD attributes =
        path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        lastOpen_ = kUnreadable;
        return lastOpen_;
    }
    UniqueHandle done;
    if (!eventName.empty()) {
        done.Reset(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
        if (!done) return kBadValue;
        ResetEvent(done.Get());
    }
    loadedName_ = FullPath(path);
    try {
        loader_ = std::thread([this, path, event = std::move(done)]() mutable {
            const HRESULT apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            try {
                loadedResult_ = LoadDocument(path, &loaded_);
            } catch (...) {
                loadedResult_ = kTooLarge;
            }
            if (SUCCEEDED(apartment)) CoUninitialize();
            if (event) SetEvent(event.Get());
        });
    } catch (const std::system_error&) {
        return Open(path);  // no thread to be had: open here
    }
    return kOk;
}

void Session::Settle() {
    if (!loader_.joinable()) return;
    loader_.join();
    lastOpen_ = loadedResult_;
    if (loadedResult_ == kOk && loaded_) Install(std::move(loaded_), std::move(loadedName_));
    loaded_.reset();
}

void Session::Close() {
    Settle();
    document_.reset();
    fileName_.clear();
    imageSection_.Reset();
    paletteSection_.Reset();
    rendered_ = RasterImage();
    attachment_ = Attachment();
    painted_ = false;
    Changed();
}

Result Session::Resurrect(const std::wstring& section, const std::wstring& fileName) {
    Settle();
    RasterImage image;
    std::vector<std::uint8_t> behind;
    const Result result = ReadImageSection(section, image, behind);
    if (result != kOk) return result;
    std::unique_ptr<Document> document;
    if (!behind.empty()) document = RebuildDocument(behind.data(), behind.size());
    if (!document) document = MakeRasterDocument(std::move(image));
    Install(std::move(document), fileName);
    return kOk;
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
        PIMBAX_PAINT_JOB_HEADER_BYTES +
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4;
    UniqueHandle section(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                            static_cast<DWORD>(bytes >> 32),
                                            static_cast<DWORD>(bytes), nullptr));
    if (!section) return kTooLarge;
    {
        Canvas canvas;
        if (!canvas.Create(width, height, kWhite, section.Get(), PIMBAX_PAINT_JOB_HEADER_BYTES)) {
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

const RasterImage* Session::CurrentImage() {
    if (!document_) return nullptr;
    if (const RasterImage* image = document_->Image()) return image;
    if (renderedVersion_ != version_) {
        Canvas canvas;
        RasterImage image;
        if (!canvas.Create(document_->Width(), document_->Height(), kWhite)) return nullptr;
        document_->Render(canvas, Whole(*document_), RECT{0, 0, canvas.Width(), canvas.Height()});
        if (!PackBgra(canvas.Bits(), canvas.Width(), canvas.Height(), 24, false, image))
            return nullptr;
        image.dpiX = document_->DpiX();
        image.dpiY = document_->DpiY();
        rendered_ = std::move(image);
        renderedVersion_ = version_;
    }
    return &rendered_;
}

HRESULT Session::SectionName(std::wstring* name) {
    if (!document_) return kNoDocumentCode;
    if (imageSection_.Empty() || imageVersion_ != version_) {
        const RasterImage* image = CurrentImage();
        if (image == nullptr) return E_OUTOFMEMORY;
        PublishedSection section;
        if (!section.PublishImage(*image, document_->Serialize())) return E_OUTOFMEMORY;
        imageSection_ = std::move(section);
        imageVersion_ = version_;
    }
    *name = imageSection_.Name();
    return S_OK;
}

HRESULT Session::PaletteName(std::wstring* name) {
    if (!document_) return kNoDocumentCode;
    if (paletteSection_.Empty() || paletteVersion_ != version_) {
        const RasterImage* image = CurrentImage();
        if (image == nullptr) return E_OUTOFMEMORY;
        PublishedSection section;
        if (!section.PublishPalette(*image)) return E_OUTOFMEMORY;
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
    const RasterImage* image = CurrentImage();
    if (image == nullptr) return E_OUTOFMEMORY;
    *colour = static_cast<long>(PixelColor(*image, static_cast<int>(x), static_cast<int>(y)));
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
    Canvas canvas;
    if (!canvas.Create(right, bottom, kWhite)) return kTooLarge;
    const RECT fitted = FitToCorner(document_->Width(), document_->Height(), right, bottom);
    document_->Render(canvas, Whole(*document_), fitted);
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
        const RasterImage* image = CurrentImage();
        return image == nullptr ? kTooLarge : PutDib(owner, *image);
    }
    if (format != CF_ENHMETAFILE) return kNotSupported;
    // The frame, in hundredths of a millimetre, of the document's nominal size at 96 per inch.
    const RECT frame = {0, 0, static_cast<LONG>(std::lround(document_->Width() * 2540.0 / 96.0)),
                        static_cast<LONG>(std::lround(document_->Height() * 2540.0 / 96.0))};
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"Pimbax\0Document\0");
    if (recorder == nullptr) return kTooLarge;
    document_->Draw(recorder, Whole(*document_),
                    RECT{0, 0, document_->Width(), document_->Height()});
    return PutMetafile(owner, CloseEnhMetaFile(recorder));
}

Result Session::PasteFrom(short format, HWND owner) {
    Settle();
    if (format == CF_DIB) {
        RasterImage image;
        const Result result = GetDib(owner, image);
        if (result == kOk) Install(MakeRasterDocument(std::move(image)), L"");
        return result;
    }
    if (format != CF_ENHMETAFILE) return kNotSupported;
    std::vector<std::uint8_t> bytes;
    const Result result = GetMetafileBytes(owner, bytes);
    if (result != kOk) return result;
    std::unique_ptr<Document> document = MakeMetafileDocument(bytes.data(), bytes.size());
    if (!document) return kBadFormat;
    Install(std::move(document), L"");
    return kOk;
}

}  // namespace pimbax
