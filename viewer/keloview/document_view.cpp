#include "document_view.h"

#include <algorithm>
#include <cstdio>

#include "messages.h"

namespace keloview {

namespace {

// Steering asks the server to paint the new point of view at once into the picture, over the
// last painted rectangles: one round trip instead of a point of view and then a paint.
constexpr int kRepaint = 1;
// The viewing-distance setting moves in steps; -5 would put the eye at the centre.
constexpr double kNearest = -4;
constexpr double kFarthest = 45;
constexpr std::size_t kHistory = 32;

// A model is a vector document that has a point of view: the server answers the camera query
// only for models (flat documents get "does not apply").
Kind DetectKind(Dewey& document) {
    if (document.IsRaster()) return Kind::Raster;
    if (document.IsVector()) {
        double view[6] = {};
        return document.GetPointOfView(&view[0], &view[1], &view[2], &view[3], &view[4],
                                       &view[5]) == 0
                   ? Kind::Model
                   : Kind::Drawing;
    }
    return document.IsEntity() ? Kind::Text : Kind::None;
}

// Rebuilds `source`'s document, as it is now, in `copy`'s server object.
short CopyDocument(Dewey& source, Dewey& copy) {
    char section[21] = {};
    char file[517] = {};
    if (source.GetSectionName(section) != 0) return -2;
    source.GetFileName(file);
    return copy.ResurrectSection(section, file);
}

}  // namespace

const char* const kSteeringNames[kSteerings] = {
    "turn-up",    "turn-left",   "turn-down", "turn-right", "slide-up",  "slide-left",
    "slide-down", "slide-right", "forward",   "back",       "roll-left", "roll-right"};

const wchar_t* KindName(Kind kind) {
    switch (kind) {
        case Kind::Raster:
            return L"raster image";
        case Kind::Drawing:
            return L"drawing";
        case Kind::Model:
            return L"3D model";
        case Kind::Text:
            return L"text page";
        case Kind::None:
            break;
    }
    return L"no document";
}

SizeMode FirstMode(Kind kind) {
    return kind == Kind::Text ? SizeMode::FitWidth : SizeMode::Fit;
}

unsigned KindBit(Kind kind) {
    switch (kind) {
        case Kind::Raster:
            return kRaster;
        case Kind::Drawing:
            return kDrawing;
        case Kind::Model:
            return kModel;
        case Kind::Text:
            return kText;
        case Kind::None:
            break;
    }
    return kNoDocument;
}

DocumentView::DocumentView() : document_(new Dewey), view_(new Huey(document_.get())) {}

DocumentView::~DocumentView() {
    view_.reset();  // the view uses the document's client
    document_.reset();
}

long DocumentView::ServerProcess(long* mainThread) {
    long process = 0;
    long thread = 0;
    document_->GetProcessID(&process, &thread);
    if (mainThread != nullptr) *mainThread = thread;
    return process;
}

short DocumentView::Open(const std::string& serverFileName, OpenWay way, const Waiter& wait) {
    std::unique_ptr<Dewey> fresh(new Dewey);
    std::string name = serverFileName;
    short result = 0;
    if (way == OpenWay::Plain) {
        result = fresh->Open(name.data());
    } else if (way == OpenWay::Again) {
        char none[] = "";
        result = fresh->FastOpen(name.data(), none);
    } else {
        // The server sets the named event when the opening has ended, whatever its outcome;
        // the outcome itself comes from OpenStatus. Names of events are at most 19 characters.
        static unsigned opening = 0;
        char event[20];
        std::snprintf(event, sizeof event, "kvo%lx_%x", GetCurrentProcessId(), ++opening & 0xFFFF);
        HANDLE ended = CreateEventA(nullptr, TRUE, FALSE, event);
        char none[] = "";
        result = ended != nullptr ? fresh->ThreadOpen(name.data(), event, none) : -5;
        if (result == 0) {
            wait(ended);
            result = fresh->OpenStatus(none);
        }
        if (ended != nullptr) CloseHandle(ended);
    }
    if (result == 0) Adopt(std::move(fresh));
    return result;
}

short DocumentView::Duplicate(DocumentView& source) {
    std::unique_ptr<Dewey> copy(new Dewey);
    const short result = CopyDocument(*source.document_, *copy);
    if (result == 0) Adopt(std::move(copy));
    return result;
}

void DocumentView::Adopt(std::unique_ptr<Dewey> document) {
    view_.reset();
    document_ = std::move(document);
    view_.reset(new Huey(document_.get()));
    history_.clear();
    undone_ = false;
    Learn();
    Attach(picture_);
}

void DocumentView::Learn() {
    kind_ = DetectKind(*document_);
    long width = 0;
    long height = 0;
    document_->GetInfo(&width, &height, nullptr, nullptr, nullptr);
    size_ = {width, height};
    if (kind_ == Kind::Model) {
        view_->Init3DInfo(&camera_);
        openingCamera_ = camera_;
    }
}

Facts DocumentView::Describe() {
    Facts facts;
    char name[517] = {};
    document_->GetFileName(name);
    facts.fileName = name;
    document_->GetInfo(&facts.width, &facts.height, &facts.horizontalDpi, &facts.verticalDpi,
                       &facts.depth);
    return facts;
}

std::wstring DocumentView::Details() {
    char section[21] = {};
    char palette[21] = {};
    char font[21] = {};
    document_->GetSectionName(section);
    document_->GetPaletteInfo(palette);
    std::wstring details = Format(L"Image section: %hs\nPalette section: %hs", section, palette);
    if (document_->GetFontInfo(font) == 0) details += Format(L"\nFont: %hs", font);
    if (kind_ == Kind::Model) {
        double c[3] = {};
        double e[3] = {};
        document_->Get3DInfo(&c[0], &c[1], &c[2], &e[0], &e[1], &e[2]);
        details += Format(L"\nScene centre: %.2f, %.2f, %.2f\nScene extents: %.2f x %.2f x %.2f",
                          c[0], c[1], c[2], e[0], e[1], e[2]);
        details +=
            Format(L"\nEye: %.2f, %.2f, %.2f\nYaw %.1f\u00b0, pitch %.1f\u00b0", camera_.eyeX,
                   camera_.eyeY, camera_.eyeZ, camera_.yaw * 57.29578, camera_.pitch * 57.29578);
    }
    return details;
}

std::string DocumentView::FontInfo() {
    char font[21] = {};
    document_->GetFontInfo(font);
    return font;
}

void DocumentView::Attach(HWND picture) {
    picture_ = picture;
    if (picture_ != nullptr) view_->AttachWindow(picture_, nullptr);
}

// --- 2D view -------------------------------------------------------------------------------

void DocumentView::Show(const RECT& area, SizeMode mode) {
    area_ = area;
    mode_ = mode;
    RECT window = area;
    view_->InitWindowSize(
        &window, static_cast<int>(mode == SizeMode::Chosen ? SizeMode::Fit : mode), &info_);
}

void DocumentView::Follow(const RECT& before, const RECT& now) {
    const RECT area = {0, 0, now.right - now.left, now.bottom - now.top};
    if (area.right <= 0 || area.bottom <= 0) return;
    area_ = area;
    if (!HasDocument()) return;
    RECT old = before;
    RECT fresh = now;
    if (mode_ == SizeMode::FitWidth) {
        Show(area, mode_);
    } else {
        // A fitted view is fitted again; any other keeps its scale, the picture still on screen.
        const int refit = mode_ == SizeMode::Fit || IsThreeD();
        view_->ResizeWindow(&old, &fresh, refit, &info_);
    }
}

void DocumentView::Remember() {
    if (history_.size() >= kHistory) history_.erase(history_.begin());
    history_.push_back(Saved{*view_, info_, mode_});
}

void DocumentView::ZoomIn(const RECT& selection) {
    Remember();
    RECT chosen = selection;
    view_->ZoomIn(&chosen, &info_);
    mode_ = SizeMode::Chosen;
}

void DocumentView::ZoomOut(int factor) {
    Remember();
    view_->ZoomOut(factor, &info_);
    mode_ = SizeMode::Chosen;
}

void DocumentView::Scroll(int dx, int dy) {
    view_->ScrollWindow(dx, dy, &info_);
}

void DocumentView::CenterOn(POINT point) {
    Remember();
    view_->CenterWindow(point.x, point.y, &info_);
}

bool DocumentView::Previous() {
    if (history_.empty()) return false;
    *view_ = history_.back().view;
    info_ = history_.back().info;
    mode_ = history_.back().mode;
    history_.pop_back();
    return true;
}

int DocumentView::ZoomPercent() const {
    const long shown = info_.sourceRect.right - info_.sourceRect.left;
    return shown > 0 ? MulDiv(info_.destRect.right - info_.destRect.left, 100, shown) : 100;
}

POINT DocumentView::ImagePoint(POINT point) {
    view_->TransformPoint(&point, &info_);
    return point;
}

// --- 3D view -------------------------------------------------------------------------------

void DocumentView::PresetView(int code) {
    view_->CADSteer(&camera_, code, kRepaint, nullptr);
}

void DocumentView::Steer(int code) {
    view_->VRSteer(&camera_, code, kRepaint);
}

void DocumentView::Orbit(POINT from, POINT to, const RECT& window) {
    RECT ball = window;
    view_->Trackball(&camera_, to.x - from.x, to.y - from.y, kRepaint, &ball);
}

void DocumentView::ChangeDistance(int steps) {
    const double setting = std::min(kFarthest, std::max(kNearest, camera_.distance + steps));
    if (setting == camera_.distance) return;
    view_->Distance(&camera_, setting);
    SendCamera();
}

void DocumentView::FitModel(const RECT& window) {
    RECT fitted = window;
    view_->Align(&camera_, &camera_, &fitted);
    SendCamera();
}

void DocumentView::ResetCamera() {
    camera_ = openingCamera_;
    SendCamera();
}

void DocumentView::SendCamera() {
    view_->SetPointOfView(camera_.eyeX, camera_.eyeY, camera_.eyeZ, camera_.yaw, camera_.pitch,
                          camera_.twist, kRepaint);
}

// --- Drawing -------------------------------------------------------------------------------

short DocumentView::Paint() {
    return HasDocument() ? view_->Paint() : 0;
}

Probe DocumentView::ProbeAt(HDC dc, POINT point) {
    Probe probe;
    probe.pixel = ImagePoint(point);
    POINT at = point;  // the library maps it in place for raster images
    probe.hasColour = view_->PickColor(dc, &probe.colour, &at, &info_) == 0;
    return probe;
}

short DocumentView::RealizePalette(HWND window, bool foreground) {
    return view_->RealizePalette(window, foreground ? 0 : 1);
}

short DocumentView::PaintInto(HWND window, const RECT& area) {
    view_->AttachWindow(window, nullptr);
    RECT whole = {0, 0, size_.cx, size_.cy};
    RECT target = area;
    const short result = view_->Paint(&whole, &target);
    Attach(picture_);
    return result;
}

short DocumentView::Print(HDC printer, const RECT& area) {
    RECT part = {0, 0, size_.cx, size_.cy};
    RECT page = area;
    if (kind_ == Kind::Raster || kind_ == Kind::Text) {
        std::unique_ptr<Dewey> copy(new Dewey);
        const short copied = CopyDocument(*document_, *copy);
        return copied != 0 ? copied : copy->Print(printer, &part, &page);
    }
    const short result = document_->Print(printer, &part, &page);
    Attach(picture_);  // the server drew into the page's metafile
    return result;
}

void DocumentView::ImageOnly() {
    view_->ImageOnly();
    Attach(picture_);  // the server drew onto the screen
}

short DocumentView::TestCard(const std::string& text) {
    std::string card = text;
    return document_->Test(card.data(), picture_, nullptr);
}

// --- Commands ------------------------------------------------------------------------------

Context DocumentView::CommandContext(const RECT& selection, COLORREF pointerColour) {
    Context context;
    context.imageWidth = size_.cx;
    context.imageHeight = size_.cy;
    context.shown = {info_.destRect.right - info_.destRect.left,
                     info_.destRect.bottom - info_.destRect.top};
    const POINT from = ImagePoint({selection.left, selection.top});
    const POINT to = ImagePoint({selection.right, selection.bottom});
    context.selection = {from.x, from.y, to.x, to.y};
    context.pointerColour = pointerColour;
    return context;
}

short DocumentView::Run(const DocumentCommand& command, const Values& values) {
    const short result = command.run(Target{*document_, *view_}, values);
    if (result != 0 || command.effect == Effect::None || command.effect == Effect::FileName) {
        return result;
    }
    undone_ = command.effect == Effect::Undo && !undone_;
    const Kind kind = kind_;
    const SIZE size = size_;
    Learn();
    if (command.effect == Effect::Document || kind_ != kind || size_.cx != size.cx ||
        size_.cy != size.cy) {
        history_.clear();
        Show(area_, kind_ != kind               ? FirstMode(kind_)
                    : mode_ == SizeMode::Chosen ? SizeMode::Fit
                                                : mode_);
        Attach(picture_);
    }
    return 0;
}

}  // namespace keloview
