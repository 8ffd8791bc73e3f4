#include "frame_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "dialogs.h"
#include "file_names.h"
#include "messages.h"
#include "printing.h"
#include "recent_files.h"
#include "resource.h"
#include "snapshot.h"
#include "window_class.h"

namespace keloview {

namespace {

constexpr wchar_t kFrameClass[] = L"KeloviewFrame";
constexpr wchar_t kProgram[] = L"keloview";
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

enum StatusPart { kFileName, kKindPart, kSize, kDepth, kZoom, kPointer, kParts };

int g_frames = 0;  // main windows alive; the program ends with the last

constexpr wchar_t kKeysHelp[] =
    L"Raster images, drawings and text pages:\n"
    L"  Drag\tzoom into the rectangle\n"
    L"  Click\tcentre there\n"
    L"  Shift+drag\tselect (for Crop)\n"
    L"  Right click, -\tzoom out\n"
    L"  +, Ctrl+wheel\tzoom in\n"
    L"  Backspace\tthe view before\n"
    L"  Arrows, Page Up/Down, wheel\tscroll\n"
    L"  Ctrl+0, Ctrl+1, Ctrl+2\tfit, actual size, fit width\n\n"
    L"3D models:\n"
    L"  Drag\torbit around the model\n"
    L"  0-9\tthe ten preset views\n"
    L"  Arrows\tturn; Shift+arrows: slide\n"
    L"  Page Up/Down\tfly forward/back\n"
    L"  Ctrl+Left/Right\troll\n"
    L"  Wheel, +, -\tnearer, farther\n"
    L"  Home\tthe camera as opened\n\n"
    L"F11 shows the document alone on the screen; any key ends it.";

std::wstring VersionOfProgram() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length)) {
        return L"";
    }
    return Format(L"%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                  HIWORD(info->dwFileVersionLS));
}

}  // namespace

Frame::Frame(HINSTANCE instance) : instance_(instance), picture_(view_, *this) {}

void Frame::Register(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    PictureView::Register(instance);
    RegisterWindowClass(instance, kFrameClass, Procedure, IDC_ARROW,
                        reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                        MAKEINTRESOURCEW(IDR_MAIN_MENU));
}

Frame* Frame::Create(HINSTANCE instance, int show, const SIZE* clientSize) {
    Frame* frame = new Frame(instance);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int width = std::min<int>(960, (work.right - work.left) * 9 / 10);
    int height = std::min<int>(720, (work.bottom - work.top) * 9 / 10);
    if (clientSize != nullptr) {
        RECT bounds = {0, 0, clientSize->cx, clientSize->cy};
        AdjustWindowRectEx(&bounds, kFrameStyle, TRUE, 0);
        width = bounds.right - bounds.left;
        height = bounds.bottom - bounds.top;
    }
    bool reached = false;
    frame->reached_ = &reached;
    HWND window =
        CreateWindowExW(WS_EX_ACCEPTFILES, kFrameClass, kProgram, kFrameStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, width, height, nullptr, nullptr, instance, frame);
    if (window == nullptr) {
        if (!reached) delete frame;  // else the end of its window deleted it
        return nullptr;
    }
    frame->reached_ = nullptr;
    if (clientSize != nullptr) {  // the menu bar may take another height than foreseen
        RECT client;
        GetClientRect(window, &client);
        SetWindowPos(window, nullptr, 0, 0, width + clientSize->cx - client.right,
                     height + clientSize->cy - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    return frame;
}

bool Frame::TranslateShortcut(MSG* message) {
    HWND root = message->hwnd != nullptr ? GetAncestor(message->hwnd, GA_ROOT) : nullptr;
    wchar_t name[32] = {};
    if (root == nullptr || !GetClassNameW(root, name, 32) || lstrcmpW(name, kFrameClass) != 0)
        return false;
    auto* frame = reinterpret_cast<Frame*>(GetWindowLongPtrW(root, GWLP_USERDATA));
    return frame != nullptr && TranslateAcceleratorW(root, frame->shortcuts_, message) != 0;
}

bool Frame::CheckServer() {
    if (view_.ServerProcess() != 0) return true;
    Complain(
        L"No image server answered. Register it once with \"pimbaxsrv.exe /RegServer\", run as "
        L"administrator from the folder it was installed in, then start keloview again.");
    return false;
}

// --- Window procedure ------------------------------------------------------------------------

LRESULT CALLBACK Frame::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* frame = OwnerOf<Frame>(window, message, lParam);
    if (frame != nullptr && message == WM_NCCREATE) {
        frame->frame_ = window;
        if (frame->reached_ != nullptr) *frame->reached_ = true;
    }
    if (frame == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete frame;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return frame->OnMessage(message, wParam, lParam);
}

LRESULT Frame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_WINDOWPOSCHANGED: {
            const LRESULT result = DefWindowProcW(frame_, message, wParam, lParam);
            if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOSIZE) picture_.Moved();
            return result;
        }
        case WM_SETFOCUS:
            SetFocus(picture_.Window());
            return 0;
        case WM_INITMENUPOPUP:
            UpdateMenu(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_COMMAND:
            if (!busy_) OnCommand(LOWORD(wParam));
            return 0;
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wParam);
            wchar_t path[MAX_PATH * 4] = {};
            const bool named = DragQueryFileW(drop, 0, path, MAX_PATH * 4) > 0;
            DragFinish(drop);
            if (named && !busy_) OpenFile(path, true);
            return 0;
        }
        // Palette displays: the image's palette is realised when this window comes to the front
        // and again, in the background, when another window changed the system palette.
        case WM_QUERYNEWPALETTE:
            if (!view_.HasDocument()) return FALSE;
            view_.RealizePalette(picture_.Picture(), true);  // -250: true colour, nothing to do
            InvalidateRect(picture_.Picture(), nullptr, FALSE);
            return TRUE;
        case WM_PALETTECHANGED:
            if (reinterpret_cast<HWND>(wParam) != frame_ &&
                !IsChild(frame_, reinterpret_cast<HWND>(wParam)) && view_.HasDocument()) {
                view_.RealizePalette(picture_.Picture(), false);
                InvalidateRect(picture_.Picture(), nullptr, FALSE);
            }
            return 0;
        case WM_CLOSE:
            if (busy_) {
                closeWhenIdle_ = true;
                return 0;
            }
            DestroyWindow(frame_);
            return 0;
        case WM_DESTROY:
            if (--g_frames == 0) PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(frame_, message, wParam, lParam);
}

void Frame::OnCreate() {
    ++g_frames;
    shortcuts_ = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    status_ =
        CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0,
                        0, frame_, reinterpret_cast<HMENU>(IDC_STATUS_BAR), instance_, nullptr);
    const int edges[kParts] = {180, 270, 360, 420, 510, -1};
    SendMessageW(status_, SB_SETPARTS, kParts, reinterpret_cast<LPARAM>(edges));
    picture_.Create(frame_, IDC_VIEW);
    DragAcceptFiles(frame_, TRUE);
    ShowRecentFiles(GetSubMenu(GetMenu(frame_), 0), ID_FILE_EXIT, ID_FILE_RECENT_FIRST);
    view_.Attach(picture_.Picture());
    UpdateStatus();
}

void Frame::Layout() {
    RECT client;
    GetClientRect(frame_, &client);
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(status_, &bar);
    MoveWindow(picture_.Window(), 0, 0, client.right, client.bottom - (bar.bottom - bar.top), TRUE);
}

// --- Menus -----------------------------------------------------------------------------------

bool Frame::Enabled(int id) {
    const bool document = view_.HasDocument();
    const bool threeD = view_.IsThreeD();
    if (id >= ID_VIEW_CAD_FIRST && id < ID_VIEW_CAD_FIRST + 10) return threeD;
    if (id >= ID_FILE_RECENT_FIRST && id < ID_FILE_RECENT_FIRST + kRecentFiles) return true;
    switch (id) {
        case ID_FILE_OPEN:
        case ID_FILE_EXIT:
        case ID_HELP_KEYS:
        case ID_HELP_ABOUT:
            return true;
        case ID_FILE_REVERT:
            return document && !view_.Describe().fileName.empty();
        case ID_FILE_NEW_WINDOW:
        case ID_FILE_PRINT_PREVIEW:
        case ID_FILE_PRINT:
        case ID_FILE_IMAGE_ONLY:
        case ID_FILE_PROPERTIES:
        case ID_HELP_TEST_CARD:
        case ID_VIEW_ZOOM_IN:
        case ID_VIEW_ZOOM_OUT:
            return document;
        case ID_EDIT_SELECT_NONE:
            return picture_.HasSelection();
        case ID_VIEW_ACTUAL_SIZE:
        case ID_VIEW_FIT:
        case ID_VIEW_FIT_WIDTH:
        case ID_VIEW_PREVIOUS:
            return document && !threeD;
        case ID_VIEW_FIT_MODEL:
        case ID_VIEW_NEARER:
        case ID_VIEW_FARTHER:
        case ID_VIEW_RESET_CAMERA:
            return threeD;
    }
    const DocumentCommand* command = FindCommand(id);
    return command != nullptr && (command->kinds & KindBit(view_.GetKind())) != 0;
}

void Frame::UpdateMenu(HMENU popup) {
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        const UINT id = GetMenuItemID(popup, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separators and submenus
        EnableMenuItem(popup, id,
                       MF_BYCOMMAND | (Enabled(static_cast<int>(id)) ? MF_ENABLED : MF_GRAYED));
    }
    const SizeMode mode = view_.Mode();
    const bool twoD = view_.HasDocument() && !view_.IsThreeD();
    CheckMenuItem(popup, ID_VIEW_ACTUAL_SIZE,
                  twoD && mode == SizeMode::Actual ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(popup, ID_VIEW_FIT, twoD && mode == SizeMode::Fit ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(popup, ID_VIEW_FIT_WIDTH,
                  twoD && mode == SizeMode::FitWidth ? MF_CHECKED : MF_UNCHECKED);
    // UndoRedo undoes the last edit and, right after, redoes it.
    ModifyMenuW(popup, ID_EDIT_UNDO,
                MF_BYCOMMAND | MF_STRING | (Enabled(ID_EDIT_UNDO) ? 0 : MF_GRAYED), ID_EDIT_UNDO,
                view_.CanRedo() ? L"&Redo\tCtrl+Y" : L"&Undo\tCtrl+Z");
}

void Frame::OnCommand(int id) {
    if (!Enabled(id)) return;  // a shortcut for something that does not apply now
    if (id >= ID_FILE_RECENT_FIRST && id < ID_FILE_RECENT_FIRST + kRecentFiles) {
        const std::vector<std::wstring> files = LoadRecentFiles();
        const std::size_t index = static_cast<std::size_t>(id - ID_FILE_RECENT_FIRST);
        if (index < files.size()) OpenFile(files[index], true);
        return;
    }
    if (id >= ID_VIEW_CAD_FIRST && id < ID_VIEW_CAD_FIRST + 10) {
        PresetView(id - ID_VIEW_CAD_FIRST);
        return;
    }
    switch (id) {
        case ID_FILE_OPEN:
            OpenWithDialog();
            return;
        case ID_FILE_NEW_WINDOW:
            NewWindow();
            return;
        case ID_FILE_REVERT:
            Revert();
            return;
        case ID_FILE_PRINT_PREVIEW: {
            const std::wstring failure =
                ShowPrintPreview(frame_, view_, BaseName(Widen(view_.Describe().fileName)));
            if (!failure.empty()) Complain(failure);
            return;
        }
        case ID_FILE_PRINT:
            PrintWithDialog();
            return;
        case ID_FILE_IMAGE_ONLY:
            view_.ImageOnly();
            picture_.Refresh();
            return;
        case ID_FILE_PROPERTIES:
            ShowProperties();
            return;
        case ID_FILE_EXIT:
            for (HWND window = FindWindowW(kFrameClass, nullptr); window != nullptr;
                 window = FindWindowExW(nullptr, window, kFrameClass, nullptr)) {
                PostMessageW(window, WM_CLOSE, 0, 0);
            }
            return;
        case ID_EDIT_SELECT_NONE:
            picture_.ClearSelection();
            return;
        case ID_VIEW_ACTUAL_SIZE:
            ShowMode(SizeMode::Actual);
            return;
        case ID_VIEW_FIT:
            ShowMode(SizeMode::Fit);
            return;
        case ID_VIEW_FIT_WIDTH:
            ShowMode(SizeMode::FitWidth);
            return;
        case ID_VIEW_ZOOM_IN:
        case ID_VIEW_NEARER:
            if (view_.IsThreeD()) {
                view_.ChangeDistance(-1);
                ViewChanged();
            } else {
                picture_.ZoomInCenter();
            }
            return;
        case ID_VIEW_ZOOM_OUT:
        case ID_VIEW_FARTHER:
            if (view_.IsThreeD()) {
                view_.ChangeDistance(1);
                ViewChanged();
            } else {
                ZoomOut(2);
            }
            return;
        case ID_VIEW_PREVIOUS:
            if (view_.Previous()) picture_.Refresh();
            return;
        case ID_VIEW_FIT_MODEL:
            view_.FitModel(picture_.PictureRect());
            return;
        case ID_VIEW_RESET_CAMERA:
            view_.ResetCamera();
            return;
        case ID_HELP_KEYS:
            MessageBoxW(frame_, kKeysHelp, L"keloview: keys and mouse", MB_ICONINFORMATION);
            return;
        case ID_HELP_TEST_CARD: {
            const short drawn = view_.TestCard(Narrow(L"keloview " + VersionOfProgram()));
            if (drawn != 0) Complain(FailureText(L"The server's test card", drawn));
            return;
        }
        case ID_HELP_ABOUT:
            ShowAbout();
            return;
    }
    if (const DocumentCommand* command = FindCommand(id)) AskAndRun(*command);
}

// --- Operations ------------------------------------------------------------------------------

void Frame::Complain(const std::wstring& text) {
    if (report_) {
        report_(text);
    } else {
        MessageBoxW(frame_, text.c_str(), kProgram, MB_ICONWARNING);
    }
}

bool Frame::NeedDocument(const wchar_t* what, bool threeD) {
    if (!view_.HasDocument()) {
        Complain(Format(L"%ls needs a document: open one first.", what));
        return false;
    }
    if (view_.IsThreeD() != threeD) {
        Complain(threeD ? Format(L"%ls applies to 3D models; this is a %ls.", what,
                                 KindName(view_.GetKind()))
                        : Format(L"%ls applies to images, drawings and text pages; 3D models "
                                 L"are steered instead.",
                                 what));
        return false;
    }
    return true;
}

// The server opens on a thread of its own; meanwhile the window keeps painting but takes no
// input, and other windows of the program keep working.
void Frame::WaitWorking(HANDLE handle) {
    busy_ = true;
    EnableWindow(frame_, FALSE);
    SendMessageW(status_, SB_SETTEXTW, kFileName, reinterpret_cast<LPARAM>(L"Opening..."));
    int quit = -1;
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = static_cast<int>(message.wParam);
                continue;
            }
            if (!TranslateShortcut(&message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    EnableWindow(frame_, TRUE);
    busy_ = false;
    if (quit >= 0) PostQuitMessage(quit);
}

bool Frame::OpenFile(const std::wstring& path, bool inBackground) {
    std::string name;
    std::wstring error;
    if (!ServerFileName(path, &name, &error)) {
        Complain(error);
        return false;
    }
    const short opened = view_.Open(
        name, inBackground ? DocumentView::OpenWay::Background : DocumentView::OpenWay::Plain,
        [this](HANDLE ended) { WaitWorking(ended); });
    if (closeWhenIdle_) PostMessageW(frame_, WM_CLOSE, 0, 0);
    if (opened != 0) {
        UpdateStatus();
        Complain(Format(L"keloview could not open \"%ls\": %ls (%d).", path.c_str(),
                        ResultText(opened).c_str(), opened));
        return false;
    }
    if (!report_) {  // files a script opens are not the user's recent files
        wchar_t full[MAX_PATH * 4];
        if (GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr) != 0) {
            RememberRecentFile(full);
            ShowRecentFiles(GetSubMenu(GetMenu(frame_), 0), ID_FILE_EXIT, ID_FILE_RECENT_FIRST);
        }
    }
    picture_.ShowDocument(FirstMode(view_.GetKind()));
    UpdateTitle();
    UpdateStatus();
    return true;
}

bool Frame::ShowMode(SizeMode mode) {
    if (!NeedDocument(L"A size mode", false)) return false;
    picture_.ShowDocument(mode);
    return true;
}

bool Frame::ZoomIn(const RECT& selection) {
    if (!NeedDocument(L"Zooming in", false)) return false;
    view_.ZoomIn(picture_.ToPicture(frame_, selection));
    picture_.Refresh();
    return true;
}

bool Frame::ZoomOut(int factor) {
    if (!NeedDocument(L"Zooming out", false)) return false;
    view_.ZoomOut(factor);
    picture_.Refresh();
    return true;
}

bool Frame::Scroll(int dx, int dy) {
    if (!NeedDocument(L"Scrolling", false)) return false;
    picture_.Scroll(dx, dy);
    return true;
}

bool Frame::PresetView(int code) {
    if (!NeedDocument(L"A preset view", true)) return false;
    view_.PresetView(code);
    ViewChanged();
    return true;
}

bool Frame::Steer(int code) {
    if (!NeedDocument(L"Steering", true)) return false;
    view_.Steer(code);
    ViewChanged();
    return true;
}

bool Frame::Orbit(POINT from, POINT to) {
    if (!NeedDocument(L"Orbiting", true)) return false;
    view_.Orbit(picture_.ToPicture(frame_, from), picture_.ToPicture(frame_, to),
                picture_.PictureRect());
    ViewChanged();
    return true;
}

bool Frame::RunCommand(const DocumentCommand& command, const Values& values) {
    const short result = view_.Run(command, values);
    if (result != 0) {
        Complain(FailureText(command.title, result));
        return false;
    }
    if (command.effect != Effect::None) {
        if (command.effect != Effect::FileName) picture_.Refresh();
        UpdateTitle();
        UpdateStatus();
    }
    return true;
}

Context Frame::CommandContext() {
    return view_.CommandContext(picture_.Selection(), pointerColour_);
}

bool Frame::PrintOnDefaultPrinter(const std::wstring& outputFile) {
    if (!view_.HasDocument()) return NeedDocument(L"Printing", false);
    HDC printer = DefaultPrinter();
    if (printer == nullptr) {
        Complain(L"There is no printer: add one in the system's printer settings.");
        return false;
    }
    const std::wstring failure =
        PrintPage(view_, printer, BaseName(Widen(view_.Describe().fileName)), outputFile);
    DeleteDC(printer);
    if (!failure.empty()) Complain(failure);
    return failure.empty();
}

void Frame::Settle() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    RedrawWindow(frame_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
}

bool Frame::SaveShot(const std::wstring& path) {
    Settle();
    const std::wstring failure = SaveClientArea(frame_, path);
    if (!failure.empty()) Complain(failure);
    return failure.empty();
}

bool Frame::SaveImageOnlyShot(const std::wstring& path) {
    if (!view_.HasDocument()) return NeedDocument(L"The image-only window", false);
    const std::wstring failure = SaveImageOnlyScreen([this] { view_.ImageOnly(); }, frame_, path);
    picture_.Refresh();
    if (!failure.empty()) Complain(failure);
    return failure.empty();
}

// --- Menu commands with dialogs --------------------------------------------------------------

void Frame::OpenWithDialog() {
    std::wstring path;
    if (AskFileToOpen(frame_, L"Open", &path)) OpenFile(path, true);
}

void Frame::NewWindow() {
    Frame* other = Create(instance_, SW_SHOWNORMAL);
    if (other == nullptr) return;
    RECT here;  // a step down and to the right of this one
    GetWindowRect(frame_, &here);
    const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    SetWindowPos(other->frame_, nullptr, here.left + step, here.top + step, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    const short copied = other->view_.Duplicate(view_);
    if (copied != 0) {
        other->Complain(FailureText(L"Copying the document into a new window", copied));
        return;
    }
    other->picture_.ShowDocument(view_.Mode() == SizeMode::Chosen ? SizeMode::Fit : view_.Mode());
    other->UpdateTitle();
    other->UpdateStatus();
}

void Frame::Revert() {
    const std::string name = view_.Describe().fileName;
    const short opened = view_.Open(name, DocumentView::OpenWay::Again, nullptr);
    if (opened != 0) {
        Complain(FailureText(L"Reverting to the saved file", opened));
        return;
    }
    picture_.ShowDocument(FirstMode(view_.GetKind()));
    UpdateTitle();
    UpdateStatus();
}

void Frame::AskAndRun(const DocumentCommand& command) {
    const Context context = CommandContext();
    Values values;
    for (const Field& field : command.fields) values.push_back(InitialValue(field, context));
    if (command.menuId == ID_EDIT_CROP && !picture_.HasSelection()) {
        Complain(L"Select the part to keep first: drag over it with Shift held.");
        return;
    }
    std::wstring path;
    std::wstring error;
    switch (command.menuId) {
        case ID_FILE_SAVE_AS: {
            const std::wstring suggested = BaseName(Widen(view_.Describe().fileName));
            if (!AskFileToSave(frame_, L"Save As", suggested, &path, &values[1].text)) return;
            if (!ServerFileName(path, &values[0].text, &error)) return Complain(error);
            break;
        }
        case ID_FILE_CONVERT: {
            Conversion conversion;
            if (!AskConversion(frame_, &conversion)) return;
            if (!ServerFileName(conversion.source, &values[0].text, &error) ||
                !ServerFileName(conversion.target, &values[1].text, &error)) {
                return Complain(error);
            }
            values[2].text = conversion.type;
            values[3].text = conversion.options;
            break;
        }
        case ID_FILE_SAVE_SCRIPT:
            if (!AskScriptFile(frame_, &path)) return;
            if (!ServerFileName(path, &values[0].text, &error)) return Complain(error);
            break;
        case ID_TEXT_FONT: {
            if (!AskFont(frame_, view_.FontInfo(), &values)) return;
            break;
        }
        default:
            if (command.ask && !AskParameters(frame_, command, &values)) return;
    }
    if (RunCommand(command, values) && command.menuId == ID_EDIT_CROP) picture_.ClearSelection();
}

void Frame::PrintWithDialog() {
    HDC printer = AskPrinter(frame_);
    if (printer == nullptr) return;
    const std::wstring failure =
        PrintPage(view_, printer, BaseName(Widen(view_.Describe().fileName)));
    DeleteDC(printer);
    if (!failure.empty()) Complain(failure);
}

void Frame::ShowProperties() {
    const Facts facts = view_.Describe();
    const std::wstring text =
        Format(L"%ls\n\n%ls, %ld x %ld pixels, %d bits per pixel, %d x %d pixels per inch\n\n",
               facts.fileName.empty() ? L"(not saved)" : Widen(facts.fileName).c_str(),
               KindName(view_.GetKind()), facts.width, facts.height, facts.depth,
               facts.horizontalDpi, facts.verticalDpi) +
        view_.Details();
    MessageBoxW(frame_, text.c_str(), L"Properties", MB_ICONINFORMATION);
}

void Frame::ShowAbout() {
    long thread = 0;
    const long process = view_.ServerProcess(&thread);
    const std::wstring server =
        process != 0 ? Format(L"Image server: process %ld, main thread %ld.", process, thread)
                     : std::wstring(L"No image server answered.");
    const std::wstring text =
        L"keloview " + VersionOfProgram() + L"\nA document viewer built on kelocli.\n\n" + server;
    MessageBoxW(frame_, text.c_str(), L"About keloview", MB_ICONINFORMATION);
}

// --- Title and status bar --------------------------------------------------------------------

void Frame::UpdateTitle() {
    std::wstring name = L"";
    if (view_.HasDocument()) {
        const std::string file = view_.Describe().fileName;
        name = file.empty() ? L"Untitled - " : BaseName(Widen(file)) + L" - ";
    }
    SetWindowTextW(frame_, (name + kProgram).c_str());
}

void Frame::UpdateStatus() {
    auto set = [this](int part, const std::wstring& text) {
        SendMessageW(status_, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text.c_str()));
    };
    if (!view_.HasDocument()) {
        for (int part = 0; part < kParts; ++part) set(part, part == 0 ? L"No document" : L"");
        return;
    }
    const Facts facts = view_.Describe();
    set(kFileName, facts.fileName.empty() ? L"Untitled" : BaseName(Widen(facts.fileName)));
    set(kKindPart, KindName(view_.GetKind()));
    set(kSize, Format(L"%ld x %ld", facts.width, facts.height));
    set(kDepth, Format(L"%d bits", facts.depth));
    set(kPointer, L"");
    ViewChanged();
}

void Frame::ViewChanged() {
    const std::wstring zoom = !view_.HasDocument() ? L""
                              : view_.IsThreeD()   ? Format(L"Distance %g", view_.DistanceSetting())
                                                   : Format(L"Zoom %d%%", view_.ZoomPercent());
    SendMessageW(status_, SB_SETTEXTW, kZoom, reinterpret_cast<LPARAM>(zoom.c_str()));
}

void Frame::PointerMoved(const Probe* probe) {
    std::wstring text;
    if (probe != nullptr && !view_.IsThreeD())
        text = Format(L"%ld, %ld", probe->pixel.x, probe->pixel.y);
    if (probe != nullptr && probe->hasColour) {
        const IRGB& c = probe->colour;
        pointerColour_ = RGB(c.red, c.green, c.blue);
        text += Format(L"%lsRGB(%d, %d, %d) #%02X%02X%02X", text.empty() ? L"" : L": ", c.red,
                       c.green, c.blue, c.red, c.green, c.blue);
    }
    SendMessageW(status_, SB_SETTEXTW, kPointer, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace keloview
