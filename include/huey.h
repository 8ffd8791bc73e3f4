// Huey: the view of one document, built on a Dewey.
//
// A Huey copies its Dewey's Louie pointer at construction and uses it without owning it, so the
// Dewey must outlive the Huey. Its state is the visible part of the image (`source`, image
// pixels), the drawing area (`dest`, window client pixels) and the scale (`zoom`, window pixels per
// image pixel). The host keeps the record taghueyinfo (2D) or taghuey3dinfo (3D) and passes it to
// every operation; the library never keeps it.
//
// 2D geometry. Each operation asks the server for the current image size (never cached), computes
// locally in 32-bit integers with truncating division and double scales truncated to integers,
// and writes the result into the Huey and the record. Open cases:
//  - a zero divisor in any step (an empty window or drawing area, a fallback size of zero that a
//    step divides by, a scale that has become 0): the operation leaves the view, the record and
//    its arguments unchanged (the size has been asked all the same);
//  - ZoomOut with a factor below 1: no change, nothing asked;
//  - values that would overflow 32 bits (huge images, windows or factors) are formed in 64 bits
//    (128 for the fit-width percent IW * H * 100) and the results saturated to the 32-bit range,
//    as are doubles truncated to integers: never undefined, and every result that fits 32 bits is
//    the exact 32-bit answer;
//  - a null pointer among the arguments an operation reads: nothing asked, nothing changed;
//  - a view built on a null Dewey asks nothing: every size counts as unanswered (0) and the
//    document kind as -1.
//
// 3D navigation works on the host's camera record; each steering call sends the new point of view
// ("SETPOV") once, with povFlag's low 16 bits, and writes the record whatever the server answered.
// None puts a NaN or an infinity into the record or onto the wire: a call that cannot give a
// defined, finite result (documented per member) leaves the record untouched and sends nothing. A
// null record pointer does nothing. A Huey built on a null Dewey still keeps the record up to date
// and sends nothing.
#ifndef KELOCLI_HUEY_H
#define KELOCLI_HUEY_H

#include <windows.h>

#include "kelocli_export.h"
#include "kelocli_records.h"
#include "zevobject.h"

class Dewey;
class Louie;

class KELOCLI_API Huey : public ZevObject {
  public:
    // Copies the document's Louie pointer; both rectangles zero, zoom 1.0; nothing is sent.
    explicit Huey(Dewey* document);
    // The Louie belongs to the Dewey and is left alone.
    ~Huey();
    Huey(const Huey& other) = default;
    // Copies louie, source, dest and zoom: both views then share the Louie.
    Huey& operator=(const Huey& other) = default;

    // --- 2D geometry ---------------------------------------------------------------------------
    // Chooses the initial view for a window client rectangle. Modes: 0 actual size, 1 shrink the
    // whole image to fit, 2 shrink to the window width; any other mode counts as 0. A vector
    // drawing asked for mode 0 opens fitted (mode 1): the kind is asked only in mode 0, before the
    // size. When the server reports a width or height of 0, the record's destRect size is taken
    // as the image size.
    void InitWindowSize(RECT* window, int mode, taghueyinfo* info);
    // Divides the scale by `factor` (2 halves it) about the current centre. When the whole image
    // then fits, its size is asked a second time and the view shows it whole at that size.
    void ZoomOut(int factor, taghueyinfo* info);
    // Scales so that the selection (window client pixels, any corner order) fills the drawing
    // area, centred on it; the scale is at most 99.0.
    void ZoomIn(RECT* selection, taghueyinfo* info);
    // Moves the visible part by whole percents of the image; an axis showing its whole extent
    // does not scroll.
    void ScrollWindow(int dx, int dy, taghueyinfo* info);
    // Centres the visible part on a window client point.
    void CenterWindow(int x, int y, taghueyinfo* info);
    // Follows a change of the window: mode 1 refits the whole image (the caller's new rectangle is
    // moved to the origin; `oldWindow` is not read and may be null); any other mode keeps the
    // scale and keeps the image still on screen.
    void ResizeWindow(RECT* oldWindow, RECT* newWindow, int mode, taghueyinfo* info);
    // Maps a window client point (clamped into destRect) to image pixels, in place; asks nothing.
    // With an empty destRect the point is left unchanged.
    void TransformPoint(POINT* point, taghueyinfo* info);

    // --- Rendering -----------------------------------------------------------------------------
    short AttachWindow(HWND window, HDC dc);
    short Paint(RECT* source, RECT* target);
    // Paints the view's own visible part into its drawing area.
    short Paint();
    short ChangeFont(char* face, char* style, float size, float spacing);
    short SetPointOfView(double eyeX, double eyeY, double eyeZ, double yaw, double pitch,
                         double twist, short povFlag);
    // The colour under a window point. Raster images (any kind answer but 0): the point is mapped
    // into the image in place (left as it is when destRect is empty), at 4 bits per pixel an odd
    // sourceRect.left adds 1 to its x, and the server is asked there (the status of that call is
    // returned). Vector drawings: GetPixel of `dc` at the window point itself, 255 each for an
    // invalid pixel; returns 0. A null colour, point or record: 0, nothing asked.
    long PickColor(HDC dc, IRGB* colour, POINT* point, taghueyinfo* info);
    // Has the server realise its palette, then realises the palette it publishes for `window`
    // (read-only, for this call only). -250 when the server names no palette section, the name has
    // 20 or more characters, or the section cannot be opened or mapped; else 0, whatever the
    // realisation itself gave.
    short RealizePalette(HWND window, short flag);

    // --- Image-only window ----------------------------------------------------------------------
    // Shows the whole document alone on the screen, on black, fitted with its aspect kept and
    // centred, in a top-most window of the class "ImageOnly" one pixel larger than the screen each
    // way, until the user presses a key, releases the left mouse button, presses or releases the
    // right one, or switches to another window or application. Modal: it pumps every message of
    // the calling thread meanwhile, and a WM_USER posted to any window of the thread ends it
    // without being delivered (a WM_QUIT also ends it and is swallowed). Afterwards every window
    // is asked to repaint, without erasing.
    //
    // Before the screen is painted over, the window is let finish its own drawing (its frame)
    // and put it out: a system that puts window drawing on screen lazily (Wine) would otherwise
    // lay the frame's caption over the top of the picture.
    //
    // Raster images and vector drawings are painted by the server onto the screen's device
    // context: the server stays attached to it, so the host attaches its window again before its
    // next Paint. Other documents (kind -1) are rebuilt in a temporary second server document from
    // their image section, rasterized there at 8 bits to the fitted rectangle's right and bottom
    // edges, and blitted from that document's section; the host's document and attachment are
    // untouched, and the temporary document is deleted before the call returns. Open cases:
    //  - the temporary document's section is mapped read-only (FILE_MAP_READ, as the handle);
    //  - when the server names no section, the temporary document cannot be made (no memory, or
    //    its Louie could not be allocated) or its section cannot be mapped: the call returns at
    //    once with nothing shown, the temporary document deleted;
    //  - when the window cannot be created: nothing is drawn, everything made is released;
    //  - a zero image width or height counts as 1 where it would divide, so the fitted rectangle
    //    is then empty on that axis; products are formed in 64 bits and saturated;
    //  - a view built on a null Dewey shows nothing and returns at once.
    void ImageOnly();

    // --- 3D navigation -------------------------------------------------------------------------
    // Fills the record from the server's point of view and 3D information, then step, the frame
    // and distance 5.0. Fields a failed query does not fill keep their contents and the rest is
    // computed from them. When the result has a field that is not finite (a server answer, or the
    // host's earlier contents), the record is left untouched.
    void Init3DInfo(taghuey3dinfo* info);
    // Takes over the source's orientation and distance setting and puts the target's eye on the
    // line through its centre along the new direction: at 1000 * largest extent / min(right,
    // bottom) of `window`, or at the current eye-centre distance when `window` is null. A window
    // whose smaller of right and bottom is 0 or less (no width to fit, or a placement in front of
    // the centre) leaves the target untouched. Sends nothing.
    void Align(taghuey3dinfo* target, taghuey3dinfo* source, RECT* window);
    // Scales the eye-centre distance by (setting + 5) / (stored setting + 5) and stores the new
    // setting, moving the eye onto the line through the centre along dir. While the stored setting
    // is -5, or when the setting or the new eye is not finite, the record is left untouched. Sends
    // nothing.
    void Distance(taghuey3dinfo* info, double setting);
    // One fly-through step: codes 0-3 turn 5 degrees (towards up, towards side, away from up,
    // away from side), 4-9 move one step (along up, side, against up, side, forward, back), 10-11
    // twist by +-5 degrees. Other codes do nothing.
    void VRSteer(taghuey3dinfo* info, int code, int povFlag);
    // Jumps to a preset view at the current eye-centre distance: 0-3 from +x, -x, +y, -y, 4 from
    // above, 5 from below, 6-9 from the corners (+x-y+z, +x+y+z, +x+y-z, +x-y-z). Other codes do
    // nothing. `window` is not read.
    void CADSteer(taghuey3dinfo* info, int view, int povFlag, RECT* window);
    // Orbits the eye about the scene centre by a mouse drag (dx, dy pixels) over a window whose
    // client rectangle is `window`. With the eye at the centre, or a window whose right and bottom
    // are both 0, or a null window, the record is left untouched and nothing is sent.
    void Trackball(taghuey3dinfo* info, int dx, int dy, int povFlag, RECT* window);

  private:
    // A direction with no horizontal part (dirX = dirY = 0, or too small to square) takes +y as its
    // horizontal side, as if it leaned infinitesimally towards +x. For such a direction
    // GetTwistFromVectors takes the twist's sign from -sideX * dirZ instead of sideZ (the sign
    // sideZ has in that limit), so the two functions stay inverse there too. Null outputs are
    // skipped.
    static void GetVectorFromAngle(double* x, double* y, double* z, double dirX, double dirY,
                                   double dirZ, double twist);
    static void GetAnglesFromVector(double* yaw, double* pitch, double x, double y, double z);
    static void GetTwistFromVectors(double* twist, double dirX, double dirY, double dirZ,
                                    double sideX, double sideY, double sideZ);

    Louie* louie;  // the Dewey's, not owned
    RECT source;   // visible part, image pixels
    RECT dest;     // drawing area, window client pixels
    double zoom;   // window pixels per image pixel
};

static_assert(sizeof(Huey) == 8 + 16 + 16 + 8, "a Huey is its four members");

#endif
