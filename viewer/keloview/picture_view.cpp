#include "picture_view.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

#include "messages.h"
#include "window_class.h"

namespace keloview {

namespace {

constexpr wchar_t kViewClass[] = L"KeloviewView";
constexpr wchar_t kPictureClass[] = L"KeloviewPicture";
constexpr COLORREF kBackground = RGB(96, 96, 96);
constexpr int kClickSlop = 4;  // a press and release closer than this is a click

bool Held(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

RECT Ordered(POINT a, POINT b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

}  // namespace

PictureView::PictureView(DocumentView& document, Listener& listener)
    : document_(document), listener_(listener) {}

void PictureView::Register(HINSTANCE instance) {
    static HBRUSH background = CreateSolidBrush(kBackground);
    RegisterWindowClass(instance, kViewClass, ViewProcedure, IDC_ARROW, background);
    RegisterWindowClass(instance, kPictureClass, PictureProcedure, IDC_CROSS);
}

bool PictureView::Create(HWND parent, int id) {
    const HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    view_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, kViewClass, L"",
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP, 0, 0, 0, 0,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (view_ == nullptr) return false;
    picture_ = CreateWindowExW(0, kPictureClass, L"", WS_CHILD, 0, 0, 0, 0, view_, nullptr,
                               instance, this);
    UpdateScrollBars();
    return picture_ != nullptr;
}

RECT PictureView::Space() const {
    RECT space;
    GetClientRect(view_, &space);
    MapWindowPoints(view_, nullptr, reinterpret_cast<POINT*>(&space), 2);
    return space;
}

void PictureView::ShowDocument(SizeMode mode) {
    space_ = Space();
    document_.Show({0, 0, space_.right - space_.left, space_.bottom - space_.top}, mode);
    ClearSelection();
    Refresh();
}

void PictureView::Moved() {
    space_ = Space();
}

// The library keeps the picture still on the screen while the window's edges move, so it is
// given the old and new space in screen coordinates.
void PictureView::FollowSpace() {
    const RECT now = Space();
    if (now.right <= now.left || now.bottom <= now.top) return;  // minimised
    document_.Follow(space_, now);
    space_ = now;
    Refresh();
}

void PictureView::Refresh() {
    // A selection is of window pixels: it goes with the view it was made on. The picture's
    // repaint below takes its band away.
    selected_ = false;
    if (!document_.HasDocument()) {
        ShowWindow(picture_, SW_HIDE);
    } else {
        const RECT& dest = document_.Info().destRect;
        RECT client;
        GetClientRect(view_, &client);
        const int width = dest.right - dest.left;
        const int height = dest.bottom - dest.top;
        SetWindowPos(picture_, nullptr, std::max<LONG>(0, (client.right - width) / 2),
                     std::max<LONG>(0, (client.bottom - height) / 2), width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        InvalidateRect(picture_, nullptr, FALSE);
    }
    InvalidateRect(view_, nullptr, TRUE);
    UpdateScrollBars();
    listener_.ViewChanged();
    ProbeUnderCursor();
}

// What is under the pointer changes with the view even while the mouse stays still.
void PictureView::ProbeUnderCursor() {
    POINT at;
    if (!document_.HasDocument() || drag_ != Drag::None || !GetCursorPos(&at) ||
        WindowFromPoint(at) != picture_) {
        return;
    }
    UpdateWindow(picture_);  // colours of drawings are read from the screen
    ScreenToClient(picture_, &at);
    OnMouseMove(at);
}

// The scroll bars show the visible part in percents of the image, as the view's record has it;
// an axis whose edges are equal shows the whole image and its bar is disabled.
void PictureView::UpdateScrollBars() {
    const RECT& percent = document_.Info().percentRect;
    const bool shown = document_.HasDocument() && !document_.IsThreeD();
    auto set = [&](int bar, LONG low, LONG high) {
        SCROLLINFO info = {sizeof info, SIF_ALL | SIF_DISABLENOSCROLL, 0, 99, 100, 0, 0};
        if (shown && high > low && high - low < 100) {
            info.nPage = static_cast<UINT>(high - low);
            info.nPos = low;
        }
        SetScrollInfo(view_, bar, &info, TRUE);
    };
    set(SB_HORZ, percent.left, percent.right);
    set(SB_VERT, percent.top, percent.bottom);
}

void PictureView::Scroll(int dx, int dy) {
    document_.Scroll(dx, dy);
    Refresh();
}

void PictureView::OnScroll(int bar, WORD request) {
    const RECT& percent = document_.Info().percentRect;
    const LONG low = bar == SB_HORZ ? percent.left : percent.top;
    const LONG high = bar == SB_HORZ ? percent.right : percent.bottom;
    const int span = high - low;
    if (span <= 0 || document_.IsThreeD()) return;
    const int line = std::max(1, span / 4);
    int delta = 0;
    switch (request) {
        case SB_LINEUP:
            delta = -line;
            break;
        case SB_LINEDOWN:
            delta = line;
            break;
        case SB_PAGEUP:
            delta = -span;
            break;
        case SB_PAGEDOWN:
            delta = span;
            break;
        case SB_TOP:
            delta = -low;
            break;
        case SB_BOTTOM:
            delta = 100 - high;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
            GetScrollInfo(view_, bar, &info);
            delta = info.nTrackPos - low;
            break;
        }
        default:
            return;
    }
    if (delta != 0) Scroll(bar == SB_HORZ ? delta : 0, bar == SB_VERT ? delta : 0);
}

void PictureView::OnKey(WPARAM key) {
    if (!document_.HasDocument()) return;
    if (document_.IsThreeD()) {
        const bool shift = Held(VK_SHIFT);
        const bool control = Held(VK_CONTROL);
        int code = -1;
        switch (key) {
            case VK_LEFT:
                code = control ? kRollLeft : shift ? kSlideLeft : kTurnLeft;
                break;
            case VK_RIGHT:
                code = control ? kRollRight : shift ? kSlideRight : kTurnRight;
                break;
            case VK_UP:
                code = shift ? kSlideUp : kTurnUp;
                break;
            case VK_DOWN:
                code = shift ? kSlideDown : kTurnDown;
                break;
            case VK_PRIOR:
                code = kForward;
                break;
            case VK_NEXT:
                code = kBack;
                break;
            case VK_HOME:
                document_.ResetCamera();
                break;
        }
        if (code >= 0) document_.Steer(code);
        listener_.ViewChanged();
        return;
    }
    const WORD requests[][3] = {
        {VK_LEFT, SB_HORZ, SB_LINEUP},  {VK_RIGHT, SB_HORZ, SB_LINEDOWN},
        {VK_UP, SB_VERT, SB_LINEUP},    {VK_DOWN, SB_VERT, SB_LINEDOWN},
        {VK_PRIOR, SB_VERT, SB_PAGEUP}, {VK_NEXT, SB_VERT, SB_PAGEDOWN},
    };
    for (const auto& request : requests) {
        if (request[0] == key) OnScroll(request[1], request[2]);
    }
    if (key == VK_HOME) {
        OnScroll(SB_HORZ, SB_TOP);
        OnScroll(SB_VERT, SB_TOP);
    }
}

void PictureView::OnWheel(short delta, POINT screenPoint) {
    if (!document_.HasDocument()) return;
    const bool towards = delta > 0;  // away from the user: nearer, up
    if (document_.IsThreeD()) {
        document_.ChangeDistance(towards ? -1 : 1);
        listener_.ViewChanged();
    } else if (Held(VK_CONTROL)) {
        POINT at = screenPoint;
        ScreenToClient(picture_, &at);
        if (towards) {
            ZoomInAround(at);
        } else {
            document_.ZoomOut(2);
            Refresh();
        }
    } else {
        const int bar = Held(VK_SHIFT) ? SB_HORZ : SB_VERT;
        OnScroll(bar, towards ? SB_LINEUP : SB_LINEDOWN);
    }
}

RECT PictureView::PictureRect() const {
    RECT rect;
    GetClientRect(picture_, &rect);
    return rect;
}

void PictureView::ZoomInAround(POINT center) {
    const RECT area = PictureRect();
    const LONG halfWidth = std::max<LONG>(1, area.right / 4);
    const LONG halfHeight = std::max<LONG>(1, area.bottom / 4);
    document_.ZoomIn(
        {center.x - halfWidth, center.y - halfHeight, center.x + halfWidth, center.y + halfHeight});
    Refresh();
}

void PictureView::ZoomInCenter() {
    const RECT area = PictureRect();
    ZoomInAround({area.right / 2, area.bottom / 2});
}

POINT PictureView::ToPicture(HWND from, POINT point) const {
    MapWindowPoints(from, picture_, &point, 1);
    return point;
}

RECT PictureView::ToPicture(HWND from, RECT rect) const {
    MapWindowPoints(from, picture_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// --- Dragging --------------------------------------------------------------------------------

void PictureView::ShowBand(const RECT* band) {
    HDC dc = GetDC(picture_);
    if (bandShown_) DrawFocusRect(dc, &band_);  // drawn in XOR: twice takes it away
    bandShown_ = band != nullptr;
    if (bandShown_) {
        band_ = *band;
        DrawFocusRect(dc, &band_);
    }
    ReleaseDC(picture_, dc);
}

void PictureView::ClearSelection() {
    if (selected_ && drag_ == Drag::None) ShowBand(nullptr);
    selected_ = false;
}

void PictureView::OnButtonDown(POINT at) {
    SetFocus(view_);
    if (!document_.HasDocument()) return;
    ClearSelection();
    drag_ = document_.IsThreeD() ? Drag::Orbit : Held(VK_SHIFT) ? Drag::Select : Drag::Zoom;
    dragStart_ = dragLast_ = at;
    SetCapture(picture_);
}

void PictureView::OnMouseMove(POINT at) {
    if (drag_ == Drag::Orbit) {
        document_.Orbit(dragLast_, at, PictureRect());
        dragLast_ = at;
        return;
    }
    if (drag_ != Drag::None) {
        const RECT band = Ordered(dragStart_, at);
        ShowBand(&band);
        return;
    }
    if (!tracking_) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, picture_, HOVER_DEFAULT};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    HDC dc = GetDC(picture_);
    const Probe probe = document_.ProbeAt(dc, at);
    ReleaseDC(picture_, dc);
    listener_.PointerMoved(&probe);
}

void PictureView::OnButtonUp(POINT at) {
    const Drag drag = drag_;
    drag_ = Drag::None;
    ReleaseCapture();
    const bool click =
        std::abs(at.x - dragStart_.x) < kClickSlop && std::abs(at.y - dragStart_.y) < kClickSlop;
    if (drag == Drag::Select && !click) {
        selection_ = Ordered(dragStart_, at);
        selected_ = true;  // the band stays
        return;
    }
    ShowBand(nullptr);
    if (drag == Drag::Zoom) {
        if (click) {
            document_.CenterOn(at);
        } else {
            document_.ZoomIn(Ordered(dragStart_, at));
        }
        Refresh();
    }
}

void PictureView::PaintEmptyView(HDC dc) {
    if (document_.HasDocument()) return;
    RECT client;
    GetClientRect(view_, &client);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(230, 230, 230));
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, L"Open a file with Ctrl+O, or drop one here.", -1, &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// --- Window procedures -----------------------------------------------------------------------

LRESULT CALLBACK PictureView::ViewProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    PictureView* self = OwnerOf<PictureView>(window, message, lParam);
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCCREATE) self->view_ = window;
    return self->OnViewMessage(message, wParam, lParam);
}

LRESULT PictureView::OnViewMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (picture_ != nullptr) FollowSpace();
            return 0;
        case WM_HSCROLL:
            OnScroll(SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_VSCROLL:
            OnScroll(SB_VERT, LOWORD(wParam));
            return 0;
        case WM_KEYDOWN:
            OnKey(wParam);
            return 0;
        case WM_MOUSEWHEEL:
            OnWheel(GET_WHEEL_DELTA_WPARAM(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(view_);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(view_, &paint);
            PaintEmptyView(dc);
            EndPaint(view_, &paint);
            return 0;
        }
    }
    return DefWindowProcW(view_, message, wParam, lParam);
}

LRESULT CALLBACK PictureView::PictureProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    PictureView* self = OwnerOf<PictureView>(window, message, lParam);
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCCREATE) self->picture_ = window;
    return self->OnPictureMessage(message, wParam, lParam);
}

LRESULT PictureView::OnPictureMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the server paints every pixel
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(picture_, &paint);
            const short painted = document_.Paint();
            if (painted != 0) {  // say so in the picture rather than leave it blank
                RECT area = PictureRect();
                FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
                const std::wstring text = FailureText(L"Painting", painted);
                DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
            }
            bandShown_ = false;  // the paint covered it
            if (selected_) ShowBand(&selection_);
            EndPaint(picture_, &paint);
            return 0;
        }
        case WM_LBUTTONDOWN:
            OnButtonDown(at);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(at);
            return 0;
        case WM_LBUTTONUP:
            if (drag_ != Drag::None) OnButtonUp(at);
            return 0;
        case WM_RBUTTONUP:
            if (document_.HasDocument() && !document_.IsThreeD()) {
                document_.ZoomOut(2);
                Refresh();
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (drag_ != Drag::None && reinterpret_cast<HWND>(lParam) != picture_) {
                drag_ = Drag::None;
                ShowBand(nullptr);
            }
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            listener_.PointerMoved(nullptr);
            return 0;
        case WM_SETCURSOR:
            if (document_.IsThreeD()) {
                SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
                return TRUE;
            }
            break;
    }
    return DefWindowProcW(picture_, message, wParam, lParam);
}

}  // namespace keloview
