// Runs a program with a PostScript printer whose port is a file as the default printer, for the
// demonstration: the printer is added before and removed after, and the default printer the
// system had is made the default again.
//
//   with_printer PORT PROGRAM [ARGUMENTS...]     exits with the program's exit code
#include <windows.h>
#include <shellapi.h>
#include <winspool.h>

#include <cstdio>
#include <string>

#include "file_printer.h"

namespace {

constexpr wchar_t kPrinter[] = L"Kelocli Demo Printer";

// A command line that hands each argument over as it is (quotes and backslashes escaped).
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count < 3) {
        std::fprintf(stderr, "usage: with_printer PORT PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    std::wstring command;
    for (int i = 2; i < count; ++i) command += (i > 2 ? L" " : L"") + Quoted(arguments[i]);
    const samples::FilePrinter printer(kPrinter, arguments[1]);
    LocalFree(arguments);
    if (!printer.Valid()) {
        std::fprintf(stderr, "with_printer: the file printer could not be added\n");
        return 1;
    }
    wchar_t previous[512] = {};
    DWORD size = 512;
    const bool hadDefault = GetDefaultPrinterW(previous, &size) != FALSE;
    SetDefaultPrinterW(kPrinter);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    DWORD status = 1;
    if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        std::fprintf(stderr, "with_printer: the program could not be started (error %lu)\n",
                     GetLastError());
    }
    if (hadDefault) SetDefaultPrinterW(previous);
    return static_cast<int>(status);
}
