// The document's place in the frame: a view window with scroll bars that centres the picture
// window (the library's drawing area, sized to it) in its space, and turns the mouse, the wheel,
// the keys and the scroll bars into the view's operations.
//
//   2D   drag: zoom into the rectangle; click: centre there; Shift+drag: select; right click:
//        zoom out; wheel: scroll (Shift: across), Ctrl+wheel: zoom at the pointer; arrows and
//        Page keys scroll, Home goes to the top left.
//   3D   drag: orbit; arrows turn (Shift: slide), Page Up/Down fly forward/back, Ctrl+Left/Right
//        roll; wheel: nearer/farther; Home: the camera as opened.
#ifndef KELOVIEW_PICTURE_VIEW_H
#define KELOVIEW_PICTURE_VIEW_H

#include <windows.h>

#include "document_view.h"

namespace keloview {

class PictureView {
  public:
    struct Listener {
        virtual void ViewChanged() = 0;
        // What is under the pointer; null when it left the picture.
        virtual void PointerMoved(const Probe* probe) = 0;

      protected:
        ~Listener() = default;
    };

    PictureView(DocumentView& document, Listener& listener);
    PictureView(const PictureView&) = delete;
    PictureView& operator=(const PictureView&) = delete;

    static void Register(HINSTANCE instance);
    bool Create(HWND parent, int id);
    HWND Window() const { return view_; }
    HWND Picture() const { return picture_; }

    // Shows the document anew in the view's space.
    void ShowDocument(SizeMode mode);
    // The frame moved without changing size: the view's space moved with it.
    void Moved();
    // After any change of the view: the picture placed, the scroll bars set, all painted.
    void Refresh();

    // A point or rectangle of another window's client area in picture pixels.
    POINT ToPicture(HWND from, POINT point) const;
    RECT ToPicture(HWND from, RECT rect) const;
    RECT PictureRect() const;

    void ZoomInAround(POINT center);  // twice the scale, centred there (picture pixels)
    void ZoomInCenter();
    void Scroll(int dx, int dy);

    bool HasSelection() const { return selected_; }
    RECT Selection() const { return selection_; }
    void ClearSelection();

  private:
    enum class Drag { None, Zoom, Select, Orbit };

    static LRESULT CALLBACK ViewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PictureProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    LRESULT OnViewMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPictureMessage(UINT message, WPARAM wParam, LPARAM lParam);

    RECT Space() const;  // the view's client area on the screen
    void FollowSpace();
    void UpdateScrollBars();
    void OnScroll(int bar, WORD request);
    void OnKey(WPARAM key);
    void OnWheel(short delta, POINT screenPoint);
    void OnButtonDown(POINT at);
    void OnMouseMove(POINT at);
    void OnButtonUp(POINT at);
    void ShowBand(const RECT* band);  // null hides it
    void ProbeUnderCursor();
    void PaintEmptyView(HDC dc);

    DocumentView& document_;
    Listener& listener_;
    HWND view_ = nullptr;
    HWND picture_ = nullptr;
    RECT space_ = {};  // the view's client area on the screen when last followed
    Drag drag_ = Drag::None;
    POINT dragStart_ = {};
    POINT dragLast_ = {};
    RECT band_ = {};
    bool bandShown_ = false;
    RECT selection_ = {};
    bool selected_ = false;
    bool tracking_ = false;
};

}  // namespace keloview

#endif
