#include "file_printer.h"

#include <winspool.h>

#include <cstring>

namespace samples {

namespace {

constexpr wchar_t kDriverName[] = L"Kelocli PostScript";

// Wine's spooler keeps a generic PPD as resource 1 of type "PPDFILE"; written beside the drivers.
bool WriteGenericPpd(std::wstring* path) {
    HMODULE spooler = GetModuleHandleW(L"winspool.drv");
    HRSRC resource = FindResourceW(spooler, MAKEINTRESOURCEW(1), L"PPDFILE");
    const char* text =
        resource != nullptr ? static_cast<const char*>(LoadResource(spooler, resource)) : nullptr;
    if (text == nullptr) return false;
    DWORD size = SizeofResource(spooler, resource);
    const void* end = std::memchr(text, 0, size);  // the resource may carry trailing zeros
    if (end != nullptr) size = static_cast<DWORD>(static_cast<const char*>(end) - text);
    wchar_t directory[MAX_PATH];
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                    sizeof directory, &needed)) {
        return false;
    }
    *path = std::wstring(directory) + L"\\kelocli-generic.ppd";
    HANDLE file = CreateFileW(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, text, size, &written, nullptr);
    CloseHandle(file);
    return wrote && written == size;
}

bool InstallDriver() {
    std::wstring ppd;
    if (!WriteGenericPpd(&ppd)) return false;
    DRIVER_INFO_3W driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(kDriverName);
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = &ppd[0];
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    return AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                               APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) != FALSE;
}

void DeleteNamedPrinter(const std::wstring& name) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &access)) return;
    DeletePrinter(printer);
    ClosePrinter(printer);
}

}  // namespace

FilePrinter::FilePrinter(const std::wstring& name, const std::wstring& port)
    : name_(name), port_(port) {
    if (!InstallDriver()) return;
    DeleteNamedPrinter(name_);  // one left behind by an interrupted run
    PRINTER_INFO_2W info = {};
    info.pPrinterName = &name_[0];
    info.pPortName = &port_[0];
    info.pDriverName = const_cast<wchar_t*>(kDriverName);
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (printer == nullptr) return;
    ClosePrinter(printer);
    valid_ = true;
}

FilePrinter::~FilePrinter() {
    if (valid_) DeleteNamedPrinter(name_);
}

bool FilePrinter::PrintPage(const std::wstring& title, const std::function<void(HDC)>& draw) const {
    if (!valid_) return false;
    DeleteFileW(port_.c_str());
    HDC dc = CreateDCW(nullptr, name_.c_str(), nullptr, nullptr);
    if (dc == nullptr) return false;
    DOCINFOW document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = title.c_str();
    bool printed = false;
    if (StartDocW(dc, &document) > 0) {
        if (StartPage(dc) > 0) {
            draw(dc);
            printed = EndPage(dc) > 0;
        }
        printed = EndDoc(dc) > 0 && printed;
    }
    DeleteDC(dc);
    return printed;
}

}  // namespace samples
