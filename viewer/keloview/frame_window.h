// keloview's main window: the menus and their commands, the status bar and the view, files
// opened from the command line, a dialog, the recent files or a drop, and the messages every
// Windows application answers (palette, focus, closing). It holds the document's view logic
// (DocumentView) and the document's place on the screen (PictureView), and turns each command
// into their operations. Failures are told in words: in a message box or, when a script drives
// the window, to the script.
#ifndef KELOVIEW_FRAME_WINDOW_H
#define KELOVIEW_FRAME_WINDOW_H

#include <windows.h>

#include <functional>
#include <string>

#include "document_view.h"
#include "picture_view.h"

namespace keloview {

class Frame final : private PictureView::Listener {
  public:
    static void Register(HINSTANCE instance);
    // A new main window, shown; the object lives as long as its window. With `clientSize`, the
    // client area gets exactly that size.
    static Frame* Create(HINSTANCE instance, int show, const SIZE* clientSize = nullptr);
    // Keyboard shortcuts of whichever main window the message is for.
    static bool TranslateShortcut(MSG* message);

    HWND Window() const { return frame_; }
    HWND StatusBar() const { return status_; }
    DocumentView& View() { return view_; }
    PictureView& Picture() { return picture_; }

    // Where failures go: a message box, or `report` when set.
    void ReportTo(std::function<void(const std::wstring&)> report) { report_ = std::move(report); }
    // Tells the user when no image server answers; false then.
    bool CheckServer();

    // The operations behind the menus, for scripts too. Each tells its failure and returns
    // whether it succeeded. Points and rectangles are in this window's client pixels.
    bool OpenFile(const std::wstring& path, bool inBackground);
    bool ShowMode(SizeMode mode);
    bool ZoomIn(const RECT& selection);
    bool ZoomOut(int factor);
    bool Scroll(int dx, int dy);
    bool PresetView(int code);
    bool Steer(int code);
    bool Orbit(POINT from, POINT to);
    bool RunCommand(const DocumentCommand& command, const Values& values);
    // One page on the default printer, into `outputFile` when given.
    bool PrintOnDefaultPrinter(const std::wstring& outputFile);
    bool SaveShot(const std::wstring& path);
    bool SaveImageOnlyShot(const std::wstring& path);
    // The values a command starts from (image size, selection, colour under the pointer).
    Context CommandContext();
    // Lets everything pending be painted.
    void Settle();

  private:
    explicit Frame(HINSTANCE instance);
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnCommand(int id);
    void Layout();
    void UpdateMenu(HMENU popup);
    bool Enabled(int id);
    void UpdateTitle();
    void UpdateStatus();
    void Complain(const std::wstring& text);
    bool NeedDocument(const wchar_t* what, bool threeD);
    void WaitWorking(HANDLE handle);

    // Menu commands with dialogs of their own.
    void AskAndRun(const DocumentCommand& command);
    void OpenWithDialog();
    void NewWindow();
    void Revert();
    void PrintWithDialog();
    void ShowProperties();
    void ShowAbout();

    // PictureView::Listener
    void ViewChanged() override;
    void PointerMoved(const Probe* probe) override;

    HINSTANCE instance_;
    HWND frame_ = nullptr;
    HWND status_ = nullptr;
    HACCEL shortcuts_ = nullptr;
    DocumentView view_;
    PictureView picture_;
    std::function<void(const std::wstring&)> report_;
    COLORREF pointerColour_ = RGB(255, 255, 255);
    bool* reached_ = nullptr;  // while being created: set when the window came to be
    bool busy_ = false;
    bool closeWhenIdle_ = false;
};

}  // namespace keloview

#endif
