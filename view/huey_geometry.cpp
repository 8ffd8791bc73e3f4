// Huey: the 2D geometry members. Each asks the server what the arithmetic needs (the image size,
// never cached, and in one case the document kind) and hands the rest to view_geometry.
#include "huey.h"

#include "louie.h"
#include "view_geometry.h"

using kelocli::ImageSize;
using kelocli::ViewState;

namespace {

// Width and height only, each preset to 0 so that an unanswered value counts as 0.
ImageSize AskImageSize(Louie* louie) {
    long width = 0;
    long height = 0;
    if (louie != nullptr) louie->GetInfo(&width, &height, nullptr, nullptr, nullptr);
    return {width, height};
}

// 1 raster, 0 vector, -1 anything else (also without a Louie).
int AskKind(Louie* louie) {
    return louie != nullptr ? louie->IsRaster() : -1;
}

ViewState Capture(const RECT& source, const RECT& dest, double zoom) {
    return {source, dest, zoom};
}

void Store(const ViewState& view, RECT& source, RECT& dest, double& zoom) {
    source = view.source;
    dest = view.dest;
    zoom = view.zoom;
}

}  // namespace

void Huey::InitWindowSize(RECT* window, int mode, taghueyinfo* info) {
    if (window == nullptr || info == nullptr) return;
    const bool vectorDrawing = mode == 0 && AskKind(louie) == 0;
    const ImageSize size = AskImageSize(louie);
    ViewState view = Capture(source, dest, zoom);
    kelocli::InitWindowSize(size, *window, mode, vectorDrawing, view, *info);
    Store(view, source, dest, zoom);
}

void Huey::ZoomOut(int factor, taghueyinfo* info) {
    if (info == nullptr || factor < 1) return;
    ViewState view = Capture(source, dest, zoom);
    if (kelocli::ZoomOut(AskImageSize(louie), factor, view, *info) ==
        kelocli::ZoomOutStep::kWholeImage) {
        kelocli::ZoomOutToWholeImage(AskImageSize(louie), factor, view, *info);
    }
    Store(view, source, dest, zoom);
}

void Huey::ZoomIn(RECT* selection, taghueyinfo* info) {
    if (selection == nullptr || info == nullptr) return;
    ViewState view = Capture(source, dest, zoom);
    kelocli::ZoomIn(AskImageSize(louie), *selection, view, *info);
    Store(view, source, dest, zoom);
}

void Huey::ScrollWindow(int dx, int dy, taghueyinfo* info) {
    if (info == nullptr) return;
    ViewState view = Capture(source, dest, zoom);
    kelocli::ScrollWindow(AskImageSize(louie), dx, dy, view, *info);
    Store(view, source, dest, zoom);
}

void Huey::CenterWindow(int x, int y, taghueyinfo* info) {
    if (info == nullptr) return;
    ViewState view = Capture(source, dest, zoom);
    kelocli::CenterWindow(AskImageSize(louie), x, y, view, *info);
    Store(view, source, dest, zoom);
}

void Huey::ResizeWindow(RECT* oldWindow, RECT* newWindow, int mode, taghueyinfo* info) {
    // Refitting does not read the old rectangle.
    if (newWindow == nullptr || info == nullptr || (mode != 1 && oldWindow == nullptr)) return;
    const RECT unread = {0, 0, 0, 0};
    ViewState view = Capture(source, dest, zoom);
    kelocli::ResizeWindow(AskImageSize(louie), oldWindow != nullptr ? *oldWindow : unread,
                          *newWindow, mode, view, *info);
    Store(view, source, dest, zoom);
}

void Huey::TransformPoint(POINT* point, taghueyinfo* info) {
    if (point == nullptr || info == nullptr) return;
    kelocli::TransformPoint(*point, *info);
}
