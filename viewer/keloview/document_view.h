// The view logic of keloview: one document shown through the library, with no window, menu or
// dialog of its own. The frame hands it the picture window to paint into and the area the view
// may fill; each operation is one or two library calls and the geometry is the library's own.
//
// Coordinates: areas and selections are in the picture window's client pixels, which are the
// view's own window pixels (the frame centres the picture window, sized to the view's drawing
// area, inside the space it has).
#ifndef KELOVIEW_DOCUMENT_VIEW_H
#define KELOVIEW_DOCUMENT_VIEW_H

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document_commands.h"
#include "kelocli.h"

namespace keloview {

enum class Kind { None, Raster, Drawing, Model, Text };
const wchar_t* KindName(Kind kind);
unsigned KindBit(Kind kind);  // kRaster ... kNoDocument

// The library's fly-through steps: turns, slides, flights and rolls, by their codes.
enum Steering {
    kTurnUp = 0,
    kTurnLeft = 1,
    kTurnDown = 2,
    kTurnRight = 3,
    kSlideUp = 4,
    kSlideLeft = 5,
    kSlideDown = 6,
    kSlideRight = 7,
    kForward = 8,
    kBack = 9,
    kRollLeft = 10,
    kRollRight = 11,
    kSteerings = 12,
};
// Their names in scripts: "turn-up", "turn-left", ... "roll-right".
extern const char* const kSteeringNames[kSteerings];

// How the view follows the window: the library's three size modes, or a scale the user chose.
enum class SizeMode { Actual = 0, Fit = 1, FitWidth = 2, Chosen = 3 };
// How a document is first shown: text pages across their width, everything else whole.
SizeMode FirstMode(Kind kind);

struct Facts {
    std::string fileName;  // as the server names it; empty after a paste
    long width = 0;
    long height = 0;
    short depth = 0;
    short horizontalDpi = 0;
    short verticalDpi = 0;
};

// What is under the pointer: the image pixel and, when the server or the screen gave one, its
// colour.
struct Probe {
    POINT pixel = {};
    IRGB colour = {};
    bool hasColour = false;
};

class DocumentView {
  public:
    // Waits for a handle to be set while the program keeps working (the frame pumps messages).
    using Waiter = std::function<void(HANDLE)>;

    DocumentView();
    ~DocumentView();
    DocumentView(const DocumentView&) = delete;
    DocumentView& operator=(const DocumentView&) = delete;

    // The image server's process (0 when no server answered) and its main thread.
    long ServerProcess(long* mainThread = nullptr);

    // Opens the file in a fresh server document, which replaces the shown one only once it has
    // opened: plainly, in the background (the server opens on a thread of its own while `wait`
    // keeps the program working), or again (the file the document came from, to revert).
    enum class OpenWay { Plain, Background, Again };
    short Open(const std::string& serverFileName, OpenWay way, const Waiter& wait);
    // A copy of another view's document, unsaved edits included, rebuilt from its image section.
    short Duplicate(DocumentView& source);

    bool HasDocument() const { return kind_ != Kind::None; }
    Kind GetKind() const { return kind_; }
    bool IsThreeD() const { return kind_ == Kind::Model; }
    Facts Describe();
    // Section names and the model's numbers, for the properties.
    std::wstring Details();
    // A text page's font: "face,size,style,spacing".
    std::string FontInfo();
    bool CanRedo() const { return undone_; }

    // The window the server paints into. The image-only window and printing of drawings leave the
    // server attached elsewhere: the view attaches its window again after them.
    void Attach(HWND picture);

    // --- 2D view -------------------------------------------------------------------------------
    void Show(const RECT& area, SizeMode mode);
    // The view's space changed from `before` to `now`, both in screen coordinates.
    void Follow(const RECT& before, const RECT& now);
    void ZoomIn(const RECT& selection);
    void ZoomOut(int factor);
    void Scroll(int dx, int dy);
    void CenterOn(POINT point);
    // Back to the view before the last zoom or centring; false when there is none.
    bool Previous();
    SizeMode Mode() const { return mode_; }
    const taghueyinfo& Info() const { return info_; }
    // Window pixels per hundred image pixels.
    int ZoomPercent() const;
    // A window point as image pixels.
    POINT ImagePoint(POINT point);

    // --- 3D view -------------------------------------------------------------------------------
    void PresetView(int code);
    void Steer(int code);
    void Orbit(POINT from, POINT to, const RECT& window);
    void ChangeDistance(int steps);
    void FitModel(const RECT& window);
    void ResetCamera();
    double DistanceSetting() const { return camera_.distance; }

    // --- Drawing -------------------------------------------------------------------------------
    short Paint();
    Probe ProbeAt(HDC dc, POINT point);
    short RealizePalette(HWND window, bool foreground);
    // The whole document into `area` of another window, then back to the picture.
    short PaintInto(HWND window, const RECT& area);
    // The whole document into `area` (device units) of the page started on `printer`. Raster
    // images and text pages are printed from a copy: printing may reduce or rasterize the
    // document it prints, and the shown one stays as it is.
    short Print(HDC printer, const RECT& area);
    void ImageOnly();
    short TestCard(const std::string& text);

    // --- Commands ------------------------------------------------------------------------------
    Context CommandContext(const RECT& selection, COLORREF pointerColour);
    short Run(const DocumentCommand& command, const Values& values);

  private:
    void Adopt(std::unique_ptr<Dewey> document);
    void Learn();  // kind, size and camera of a new or changed document
    void Remember();
    void SendCamera();

    struct Saved {
        Huey view;
        taghueyinfo info;
        SizeMode mode;
    };

    std::unique_ptr<Dewey> document_;
    std::unique_ptr<Huey> view_;  // built on document_, deleted before it
    Kind kind_ = Kind::None;
    SIZE size_ = {};
    HWND picture_ = nullptr;
    RECT area_ = {};
    SizeMode mode_ = SizeMode::Fit;
    taghueyinfo info_ = {};
    taghuey3dinfo camera_ = {};
    taghuey3dinfo openingCamera_ = {};
    std::vector<Saved> history_;
    bool undone_ = false;
};

}  // namespace keloview

#endif
