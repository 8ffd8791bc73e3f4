// A PostScript printer whose port is a file, for the demonstration and the end-to-end tests.
//
// It is Wine's PostScript driver (wineps.drv) with the generic PPD that Wine's spooler carries
// as a resource, the print processor "winprint" and the data type "RAW" (Wine's own processor
// refuses RAW jobs). Every job is written to the port file; a job writes over an older file
// without shortening it, so PrintPage removes it first.
#ifndef KELOCLI_SAMPLES_FILE_PRINTER_H
#define KELOCLI_SAMPLES_FILE_PRINTER_H

#include <windows.h>

#include <functional>
#include <string>

namespace samples {

class FilePrinter {
  public:
    // Installs the driver (once per prefix) and adds the printer `name` printing to `port`, a
    // file path. Valid() tells whether that worked.
    FilePrinter(const std::wstring& name, const std::wstring& port);
    // Deletes the printer; the driver stays installed.
    ~FilePrinter();
    FilePrinter(const FilePrinter&) = delete;
    FilePrinter& operator=(const FilePrinter&) = delete;

    bool Valid() const { return valid_; }
    const std::wstring& Port() const { return port_; }

    // Prints one page into the port file: StartDoc, StartPage, `draw` with the printer's device
    // context, EndPage, EndDoc. False when the printer could not start or end the page; `draw`'s
    // own outcome is the caller's.
    bool PrintPage(const std::wstring& title, const std::function<void(HDC)>& draw) const;

  private:
    std::wstring name_;
    std::wstring port_;
    bool valid_ = false;
};

}  // namespace samples

#endif
