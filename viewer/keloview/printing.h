// Printing a document on one page, fitted to the printer's printable area with its aspect kept
// and centred, and the preview of that page.
#ifndef KELOVIEW_PRINTING_H
#define KELOVIEW_PRINTING_H

#include <windows.h>

#include <string>

#include "document_view.h"

namespace keloview {

// The default printer's device context, or null when the system has no printer.
HDC DefaultPrinter();

// Prints the whole document on one page of `printer` (into `outputFile` instead of the
// printer's port when one is given). Empty when printed, else what went wrong in words.
std::wstring PrintPage(DocumentView& view, HDC printer, const std::wstring& title,
                       const std::wstring& outputFile = std::wstring());

// Shows the page as the default printer would print it, until the user closes the preview.
// Empty when shown, else why not.
std::wstring ShowPrintPreview(HWND owner, DocumentView& view, const std::wstring& title);

}  // namespace keloview

#endif
