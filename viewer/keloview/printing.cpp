#include "printing.h"

#include <commdlg.h>

#include <algorithm>

#include "messages.h"
#include "window_class.h"

namespace keloview {

namespace {

constexpr wchar_t kPreviewClass[] = L"KeloviewPrintPreview";

// The page as the printer sees it, in its device units: the paper and its printable area.
struct PageShape {
    SIZE paper;
    RECT printable;  // on the paper
    double unitsPerInchX;
    double unitsPerInchY;
};

PageShape ShapeOf(HDC printer) {
    PageShape shape;
    shape.paper = {GetDeviceCaps(printer, PHYSICALWIDTH), GetDeviceCaps(printer, PHYSICALHEIGHT)};
    const int left = GetDeviceCaps(printer, PHYSICALOFFSETX);
    const int top = GetDeviceCaps(printer, PHYSICALOFFSETY);
    shape.printable = {left, top, left + GetDeviceCaps(printer, HORZRES),
                       top + GetDeviceCaps(printer, VERTRES)};
    shape.unitsPerInchX = GetDeviceCaps(printer, LOGPIXELSX);
    shape.unitsPerInchY = GetDeviceCaps(printer, LOGPIXELSY);
    return shape;
}

// `width` x `height` document pixels fitted into `box`, centred, the aspect kept on paper
// (device units may differ across and down).
RECT FitInto(long width, long height, const RECT& box, double aspect) {
    const double boxWidth = box.right - box.left;
    const double boxHeight = box.bottom - box.top;
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return box;
    const double scale = std::min(boxWidth / width, boxHeight / (height * aspect));
    const LONG fittedWidth = static_cast<LONG>(width * scale);
    const LONG fittedHeight = static_cast<LONG>(height * aspect * scale);
    const LONG left = box.left + static_cast<LONG>((boxWidth - fittedWidth) / 2);
    const LONG top = box.top + static_cast<LONG>((boxHeight - fittedHeight) / 2);
    return {left, top, left + fittedWidth, top + fittedHeight};
}

// Where the document goes on the page, in the printer's drawing coordinates (which start at the
// printable area's corner).
RECT PageArea(const PageShape& shape, long width, long height) {
    const RECT printable = {0, 0, shape.printable.right - shape.printable.left,
                            shape.printable.bottom - shape.printable.top};
    return FitInto(width, height, printable, shape.unitsPerInchY / shape.unitsPerInchX);
}

struct Preview {
    DocumentView* view;
    PageShape shape;
    std::wstring failure;
};

LRESULT CALLBACK PreviewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* preview = OwnerOf<Preview>(window, message, lParam);
    if (preview == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
            const PageShape& shape = preview->shape;
            // The paper, fitted into the window less a margin; one scale for every part.
            const RECT room = {16, 16, client.right - 16, client.bottom - 16};
            const double aspect = shape.unitsPerInchX / shape.unitsPerInchY;
            const RECT paper = FitInto(shape.paper.cx, shape.paper.cy, room, 1 / aspect);
            const double scale = static_cast<double>(paper.right - paper.left) / shape.paper.cx;
            auto onScreen = [&](const RECT& r, LONG dx, LONG dy) {
                return RECT{paper.left + static_cast<LONG>((r.left + dx) * scale),
                            paper.top + static_cast<LONG>((r.top + dy) * scale),
                            paper.left + static_cast<LONG>((r.right + dx) * scale),
                            paper.top + static_cast<LONG>((r.bottom + dy) * scale)};
            };
            FillRect(dc, &paper, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            RECT printable = onScreen(shape.printable, 0, 0);
            DrawFocusRect(dc, &printable);
            const Facts facts = preview->view->Describe();
            const RECT area = onScreen(PageArea(shape, facts.width, facts.height),
                                       shape.printable.left, shape.printable.top);
            EndPaint(window, &paint);
            const short painted = preview->view->PaintInto(window, area);
            if (painted != 0 && preview->failure.empty()) {
                preview->failure = FailureText(L"Painting the preview", painted);
                DestroyWindow(window);
            }
            return 0;
        }
        case WM_KEYDOWN:
        case WM_LBUTTONUP:
            DestroyWindow(window);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HDC DefaultPrinter() {
    PRINTDLGW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    if (!PrintDlgW(&dialog)) return nullptr;
    if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
    return dialog.hDC;
}

std::wstring PrintPage(DocumentView& view, HDC printer, const std::wstring& title,
                       const std::wstring& outputFile) {
    const Facts facts = view.Describe();
    DOCINFOW job = {};
    job.cbSize = sizeof job;
    job.lpszDocName = title.c_str();
    if (!outputFile.empty()) {
        DeleteFileW(outputFile.c_str());  // a job writes over a longer old file without cutting it
        job.lpszOutput = outputFile.c_str();
    }
    if (StartDocW(printer, &job) <= 0) return L"The printer did not start the job.";
    if (StartPage(printer) <= 0) {
        AbortDoc(printer);
        return L"The printer did not start the page.";
    }
    const short printed =
        view.Print(printer, PageArea(ShapeOf(printer), facts.width, facts.height));
    const bool ended = EndPage(printer) > 0;
    const bool finished = EndDoc(printer) > 0;
    if (printed != 0) return FailureText(L"Printing", printed);
    if (!ended || !finished) return L"The printer did not finish the page.";
    return std::wstring();
}

std::wstring ShowPrintPreview(HWND owner, DocumentView& view, const std::wstring& title) {
    HDC printer = DefaultPrinter();
    if (printer == nullptr) return L"There is no printer to preview the page for.";
    Preview preview = {&view, ShapeOf(printer), std::wstring()};
    DeleteDC(printer);

    const HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    RegisterWindowClass(instance, kPreviewClass, PreviewProcedure, IDC_ARROW);
    RECT frame;
    GetWindowRect(owner, &frame);
    const std::wstring caption = L"Print Preview - " + title + L" (any key closes)";
    HWND window =
        CreateWindowExW(0, kPreviewClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        frame.left + 24, frame.top + 24, frame.right - frame.left,
                        frame.bottom - frame.top, owner, nullptr, instance, &preview);
    if (window == nullptr) return L"The preview window could not be made.";
    // Modal: the frame waits until the preview is closed.
    EnableWindow(owner, FALSE);
    MSG message = {};
    while (IsWindow(window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (message.message == WM_QUIT) PostQuitMessage(static_cast<int>(message.wParam));
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
    return preview.failure;
}

}  // namespace keloview
