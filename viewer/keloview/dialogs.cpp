#include "dialogs.h"

#include <commdlg.h>

#include <cstdlib>
#include <cwchar>
#include <vector>

#include "messages.h"
#include "resource.h"

namespace keloview {

namespace {

constexpr int kRows = 4;

constexpr wchar_t kReadable[] =
    L"Documents the image server reads\0*.bmp;*.dib;*.png;*.jpg;*.jpeg;*.jpe;*.gif;*.tif;*.tiff;"
    L"*.emf;*.obj;*.txt\0Raster images\0*.bmp;*.dib;*.png;*.jpg;*.jpeg;*.jpe;*.gif;*.tif;*.tiff\0"
    L"Drawings\0*.emf\0"
    L"3D models\0*.obj\0Text\0*.txt\0All files\0*.*\0";

struct SaveType {
    const wchar_t* filter;
    const wchar_t* extension;
    const char* type;
};
const SaveType kSaveTypes[] = {
    {L"PNG image (*.png)\0*.png\0", L"png", "PNG"},
    {L"JPEG image (*.jpg)\0*.jpg\0", L"jpg", "JPG"},
    {L"Bitmap (*.bmp)\0*.bmp\0", L"bmp", "BMP"},
    {L"GIF image (*.gif)\0*.gif\0", L"gif", "GIF"},
    {L"TIFF image (*.tif)\0*.tif\0", L"tif", "TIF"},
    {L"Drawing (*.emf)\0*.emf\0", L"emf", "EMF"},
    {L"3D model (*.obj)\0*.obj\0", L"obj", "OBJ"},
    {L"Text (*.txt)\0*.txt\0", L"txt", "TXT"},
};
const char* const kConvertTypes[] = {"", "BMP", "PNG", "JPEG", "GIF", "TIFF", "EMF", "OBJ", "TXT"};

// A filter string is a list of zero-terminated pairs ending with an empty one.
std::wstring SaveFilter() {
    std::wstring filter;
    for (const SaveType& type : kSaveTypes) {
        const wchar_t* end = type.filter;
        while (*end != L'\0' || end[1] != L'\0') ++end;
        filter.append(type.filter, end + 2);
    }
    return filter + L'\0';
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

// --- The parameter dialog ---------------------------------------------------------------------

struct ParameterRequest {
    const DocumentCommand* command;
    Values* values;
    std::vector<int> rows;  // the fields shown, by index
};

void FillParameters(HWND dialog, const ParameterRequest& request) {
    SetWindowTextW(dialog, request.command->title);
    for (int row = 0; row < kRows; ++row) {
        const bool used = row < static_cast<int>(request.rows.size());
        const Field* field = used ? &request.command->fields[request.rows[row]] : nullptr;
        const bool choice = used && field->type == Field::Type::Choice;
        ShowWindow(GetDlgItem(dialog, IDC_LABEL_FIRST + row), used ? SW_SHOW : SW_HIDE);
        ShowWindow(GetDlgItem(dialog, IDC_VALUE_FIRST + row), used && !choice ? SW_SHOW : SW_HIDE);
        ShowWindow(GetDlgItem(dialog, IDC_CHOICE_FIRST + row), choice ? SW_SHOW : SW_HIDE);
        if (!used) continue;
        SetDlgItemTextW(dialog, IDC_LABEL_FIRST + row, field->label);
        const Value& value = (*request.values)[request.rows[row]];
        if (!choice) {
            SetDlgItemTextW(dialog, IDC_VALUE_FIRST + row, Format(L"%g", value.number).c_str());
            continue;
        }
        const HWND list = GetDlgItem(dialog, IDC_CHOICE_FIRST + row);
        const std::wstring choices = field->choices;
        for (std::size_t start = 0;;) {
            const std::size_t bar = choices.find(L'|', start);
            SendMessageW(list, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(choices.substr(start, bar - start).c_str()));
            if (bar == std::wstring::npos) break;
            start = bar + 1;
        }
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(value.number), 0);
    }
    // The buttons go right below the last row used, and the dialog ends below them.
    RECT rows = {0, 0, 0, 8 + 18 * static_cast<LONG>(request.rows.size()) + 10};
    MapDialogRect(dialog, &rows);
    RECT button;
    GetWindowRect(GetDlgItem(dialog, IDOK), &button);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&button), 2);
    const int rise = button.top - rows.bottom;
    for (int id : {IDOK, IDCANCEL}) {
        const HWND item = GetDlgItem(dialog, id);
        GetWindowRect(item, &button);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&button), 2);
        SetWindowPos(item, nullptr, button.left, button.top - rise, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
    }
    RECT frame;
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top - rise,
                 SWP_NOMOVE | SWP_NOZORDER);
}

bool ReadParameters(HWND dialog, const ParameterRequest& request) {
    for (int row = 0; row < static_cast<int>(request.rows.size()); ++row) {
        const Field& field = request.command->fields[request.rows[row]];
        Value& value = (*request.values)[request.rows[row]];
        if (field.type == Field::Type::Choice) {
            value.number = static_cast<double>(
                SendDlgItemMessageW(dialog, IDC_CHOICE_FIRST + row, CB_GETCURSEL, 0, 0));
            continue;
        }
        std::wstring error;
        if (!ParseValue(field, Narrow(ItemText(dialog, IDC_VALUE_FIRST + row)), &value, &error)) {
            MessageBoxW(dialog, (error + L".").c_str(), request.command->title, MB_ICONWARNING);
            SetFocus(GetDlgItem(dialog, IDC_VALUE_FIRST + row));
            return false;
        }
    }
    return true;
}

INT_PTR CALLBACK ParametersProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* request = reinterpret_cast<ParameterRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            FillParameters(dialog, *reinterpret_cast<ParameterRequest*>(lParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && ReadParameters(dialog, *request)) EndDialog(dialog, IDOK);
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
            return TRUE;
    }
    return FALSE;
}

bool AskColour(HWND owner, Value* value) {
    static COLORREF custom[16] = {};
    CHOOSECOLORW choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    choose.rgbResult = static_cast<COLORREF>(value->number);
    choose.lpCustColors = custom;
    choose.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (!ChooseColorW(&choose)) return false;
    value->number = choose.rgbResult;
    return true;
}

// --- The conversion dialog --------------------------------------------------------------------

INT_PTR CALLBACK ConvertProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* conversion = reinterpret_cast<Conversion*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const HWND types = GetDlgItem(dialog, IDC_CONVERT_TYPE);
            for (const char* type : kConvertTypes) {
                const std::wstring name = *type != '\0' ? Widen(type) : L"by extension";
                SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            }
            SendMessageW(types, CB_SETCURSEL, 0, 0);
            SetDlgItemTextW(dialog, IDC_CONVERT_SOURCE,
                            reinterpret_cast<Conversion*>(lParam)->source.c_str());
            return TRUE;
        }
        case WM_COMMAND: {
            std::wstring path;
            std::string type;
            switch (LOWORD(wParam)) {
                case IDC_CONVERT_SOURCE_BROWSE:
                    if (AskFileToOpen(dialog, L"Convert from", &path))
                        SetDlgItemTextW(dialog, IDC_CONVERT_SOURCE, path.c_str());
                    return TRUE;
                case IDC_CONVERT_TARGET_BROWSE:
                    if (AskFileToSave(dialog, L"Convert to", L"", &path, &type))
                        SetDlgItemTextW(dialog, IDC_CONVERT_TARGET, path.c_str());
                    return TRUE;
                case IDOK:
                    conversion->source = ItemText(dialog, IDC_CONVERT_SOURCE);
                    conversion->target = ItemText(dialog, IDC_CONVERT_TARGET);
                    conversion->type = kConvertTypes[SendDlgItemMessageW(dialog, IDC_CONVERT_TYPE,
                                                                         CB_GETCURSEL, 0, 0)];
                    conversion->options = Narrow(ItemText(dialog, IDC_CONVERT_OPTIONS));
                    if (conversion->source.empty() || conversion->target.empty()) {
                        MessageBoxW(dialog, L"Name the file to convert and the file to write.",
                                    L"Convert", MB_ICONWARNING);
                        return TRUE;
                    }
                    EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            break;
        }
    }
    return FALSE;
}

}  // namespace

bool AskFileToOpen(HWND owner, const wchar_t* title, std::wstring* path) {
    wchar_t name[MAX_PATH * 4] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kReadable;
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name / sizeof name[0];
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetOpenFileNameW(&dialog)) return false;
    *path = name;
    return true;
}

bool AskFileToSave(HWND owner, const wchar_t* title, const std::wstring& suggested,
                   std::wstring* path, std::string* type) {
    const std::wstring filter = SaveFilter();
    wchar_t name[MAX_PATH * 4] = {};
    wcsncpy(name, suggested.c_str(), sizeof name / sizeof name[0] - 1);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name / sizeof name[0];
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = L"png";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) return false;
    *path = name;
    const std::size_t index = dialog.nFilterIndex - 1;
    *type = index < sizeof kSaveTypes / sizeof kSaveTypes[0] ? kSaveTypes[index].type : "";
    return true;
}

bool AskScriptFile(HWND owner, std::wstring* path) {
    wchar_t name[MAX_PATH * 4] = L"edits.vbs";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"VBScript (*.vbs)\0*.vbs\0All files\0*.*\0";
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name / sizeof name[0];
    dialog.lpstrTitle = L"Save Edits as Script";
    dialog.lpstrDefExt = L"vbs";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) return false;
    *path = name;
    return true;
}

bool AskParameters(HWND owner, const DocumentCommand& command, Values* values) {
    ParameterRequest request = {&command, values, {}};
    for (std::size_t i = 0; i < command.fields.size(); ++i) {
        const Field::Type type = command.fields[i].type;
        if (type == Field::Type::Number || type == Field::Type::Choice)
            request.rows.push_back(static_cast<int>(i));
    }
    if (request.rows.size() > kRows) return false;
    if (!request.rows.empty() &&
        DialogBoxParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                        MAKEINTRESOURCEW(IDD_PARAMETERS), owner, ParametersProcedure,
                        reinterpret_cast<LPARAM>(&request)) != IDOK) {
        return false;
    }
    for (std::size_t i = 0; i < command.fields.size(); ++i) {
        if (command.fields[i].type == Field::Type::Colour && !AskColour(owner, &(*values)[i]))
            return false;
    }
    return true;
}

bool AskConversion(HWND owner, Conversion* conversion) {
    return DialogBoxParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                           MAKEINTRESOURCEW(IDD_CONVERT), owner, ConvertProcedure,
                           reinterpret_cast<LPARAM>(conversion)) == IDOK;
}

bool AskFont(HWND owner, const std::string& current, Values* values) {
    // "face,size,style,spacing", the style R, B, I or BI.
    LOGFONTW font = {};
    const std::size_t comma = current.find(',');
    const std::wstring face = Widen(current.substr(0, comma));
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    const double points = comma != std::string::npos ? std::atof(current.c_str() + comma + 1) : 11;
    HDC screen = GetDC(nullptr);
    font.lfHeight =
        -MulDiv(static_cast<int>(points > 0 ? points : 11), GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    const std::size_t styleAt = current.find(',', comma + 1);
    const std::string style =
        styleAt != std::string::npos
            ? current.substr(styleAt + 1, current.find(',', styleAt + 1) - styleAt - 1)
            : "R";
    font.lfWeight = style.find('B') != std::string::npos ? FW_BOLD : FW_NORMAL;
    font.lfItalic = style.find('I') != std::string::npos;

    CHOOSEFONTW choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
    if (!ChooseFontW(&choose)) return false;
    (*values)[0].text = Narrow(font.lfFaceName);
    (*values)[1].number = (font.lfWeight >= FW_BOLD ? 1 : 0) + (font.lfItalic ? 2 : 0);
    (*values)[2].number = choose.iPointSize / 10.0;
    (*values)[3].number = 0;
    return true;
}

HDC AskPrinter(HWND owner) {
    PRINTDLGW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE |
                   PD_USEDEVMODECOPIESANDCOLLATE;
    dialog.nCopies = 1;
    const bool chosen = PrintDlgW(&dialog) != FALSE;
    if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
    return chosen ? dialog.hDC : nullptr;
}

}  // namespace keloview
