// The 2D view arithmetic behind Huey's geometry members, as pure functions of the image size the
// server reported, the view's state, the host's record and the call's arguments.
//
// Quantities are signed 32-bit integers, integer division truncates toward zero, half an extent
// is an arithmetic shift right by one, and scales are doubles converted to integers by truncation
// toward zero. Every product, sum and difference is formed wide enough not to overflow (64 bits;
// 128 for the one product of three factors) and each result is saturated to the 32-bit range, so
// every case whose values fit in 32 bits gives the exact 32-bit answer, and none is undefined.
//
// Each operation works on copies and commits them only when it succeeds: an operation that would
// divide by zero (an empty window or drawing area, a fallback image size of zero, a scale of
// zero) returns false and leaves the view, the record and its arguments as they were.
#ifndef KELOCLI_VIEW_VIEW_GEOMETRY_H
#define KELOCLI_VIEW_VIEW_GEOMETRY_H

#include <windows.h>

#include <cstdint>

#include "kelocli_records.h"

namespace kelocli {

// The state a view keeps of its own: visible part (image pixels), drawing area (window client
// pixels) and scale (window pixels per image pixel).
struct ViewState {
    RECT source;
    RECT dest;
    double zoom;
};

// The image size as the server reported it; 0 when it gave none.
struct ImageSize {
    std::int32_t width;
    std::int32_t height;
};

// Chooses the initial view for a window client rectangle. Modes: 0 actual size, 1 fit the whole
// image, 2 fit the window width; a vector drawing asked for mode 0 opens in mode 1, then any mode
// outside 0-2 counts as 0. A reported size with a 0 falls back to the record's destRect size.
bool InitWindowSize(ImageSize reported, const RECT& window, int mode, bool vectorDrawing,
                    ViewState& view, taghueyinfo& record);

// Zooming out either still leaves part of the image hidden, which ZoomOut settles itself, or
// shows it whole, which needs the image size asked afresh and is settled by ZoomOutToWholeImage.
enum class ZoomOutStep { kUnchanged, kDone, kWholeImage };

// Divides the scale by `factor` about the current centre. A factor below 1 changes nothing
// (kUnchanged). kWholeImage: nothing is changed yet; the caller asks the size again and calls
// ZoomOutToWholeImage.
ZoomOutStep ZoomOut(ImageSize reported, int factor, ViewState& view, taghueyinfo& record);

// The whole image, at the scale divided by `factor`, with the size exactly as reported (a 0 stays
// 0). A factor below 1 changes nothing.
bool ZoomOutToWholeImage(ImageSize reported, int factor, ViewState& view, taghueyinfo& record);

// Scales so that the selection (window client pixels, any corner order) fills the drawing area,
// centred on it; the scale is at most 99.0.
bool ZoomIn(ImageSize reported, const RECT& selection, ViewState& view, taghueyinfo& record);

// Moves the visible part by whole percents of the image on each axis that can scroll.
bool ScrollWindow(ImageSize reported, int dx, int dy, ViewState& view, taghueyinfo& record);

// Centres the visible part on a window client point.
bool CenterWindow(ImageSize reported, int x, int y, ViewState& view, taghueyinfo& record);

// Mode 1 refits the whole image and moves `newWindow` to the origin (`oldWindow` is not read);
// any other mode keeps the scale and the image still on screen.
bool ResizeWindow(ImageSize reported, const RECT& oldWindow, RECT& newWindow, int mode,
                  ViewState& view, taghueyinfo& record);

// Maps a window client point, clamped into destRect, to image pixels in place. Reads only the
// record.
bool TransformPoint(POINT& point, const taghueyinfo& record);

// A screen measure as GetSystemMetrics gives it (asked with SM_CXSCREEN and SM_CYSCREEN).
using ScreenMetric = int(WINAPI*)(int);

// Where the whole image goes on the screen, its aspect kept: the screen's rectangle (0, 0, cx, cy)
// narrowed on the axis the image leaves over and centred there, the screen's extent on that axis
// asked again for the centring. A zero image edge counts as 1 where it would be the divisor.
RECT FitToScreen(ImageSize image, ScreenMetric metric);

// a + b, saturated to the 32-bit range.
std::int32_t Plus(std::int64_t a, std::int64_t b);

// An axis showing the image from edge to edge (0 to 100) is marked by equal edges (0, 0).
void NormalisePercent(RECT& percent);

// The shift-and-cut rule: moves the source back inside the image (vertical axis first), cutting
// what still sticks out.
void ShiftAndCut(RECT& source, std::int32_t imageWidth, std::int32_t imageHeight);

}  // namespace kelocli

#endif
