// The dialogs keloview asks its questions with: the system's common dialogs (files, printer,
// font, colour) and its own two (a command's parameters, a conversion).
#ifndef KELOVIEW_DIALOGS_H
#define KELOVIEW_DIALOGS_H

#include <windows.h>

#include <string>

#include "document_commands.h"

namespace keloview {

// The files the image server reads, for the Open dialog.
bool AskFileToOpen(HWND owner, const wchar_t* title, std::wstring* path);

// A file to write, with the types the server writes; `type` receives the type's short name
// (BMP, PNG, JPG, GIF, TIF, EMF, OBJ, TXT) or "" when the extension decides.
bool AskFileToSave(HWND owner, const wchar_t* title, const std::wstring& suggested,
                   std::wstring* path, std::string* type);
// A script file (VBScript) to write.
bool AskScriptFile(HWND owner, std::wstring* path);

// The Number, Choice and Colour parameters of a command, starting from `values`.
bool AskParameters(HWND owner, const DocumentCommand& command, Values* values);

struct Conversion {
    std::wstring source;
    std::wstring target;
    std::string type;  // BMP, PNG, JPEG, GIF, TIFF, EMF, OBJ, TXT or "" (by the extension)
    std::string options;
};
bool AskConversion(HWND owner, Conversion* conversion);

// The font dialog, starting from the server's "face,size,style,spacing"; fills the font
// command's face, style and size (the spacing is kept: 0).
bool AskFont(HWND owner, const std::string& current, Values* values);

// The print dialog: a printer device context for one page, or null when cancelled.
HDC AskPrinter(HWND owner);

}  // namespace keloview

#endif
