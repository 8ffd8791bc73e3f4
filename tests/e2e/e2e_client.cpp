// A client process of its own for the tests that end a process.
//
//   e2e_client kill FILE   opens FILE, kills the server, then checks that every call answers its
//                          default at once and that the document can still be deleted; prints
//                          one line per failure and exits with their number
//   e2e_client host FILE   opens FILE, prints "server <id>" and waits to be ended
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "kelocli.h"

namespace {

int failures = 0;

void Expect(bool condition, const char* what) {
    if (!condition) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

int KillServer(char* file) {
    Dewey* document = new Dewey;
    Expect(document->Open(file) == 0, "open before the kill");
    long width = 7;
    long height = 7;
    short depth = 7;
    // Every size query is looked up once while the server lives, as a host's view would have.
    Expect(document->GetInfo(&width, &height, nullptr, nullptr, &depth) == 0,
           "GetInfo before the kill");
    width = height = depth = 7;
    long server = 0;
    long thread = 0;
    document->GetProcessID(&server, &thread);
    HANDLE process =
        OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(server));
    Expect(process != nullptr, "server process opened");
    if (process == nullptr) return failures;
    TerminateProcess(process, 9);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);

    const DWORD start = GetTickCount();
    Expect(document->GetInfo(&width, &height, nullptr, nullptr, &depth) != 0,
           "GetInfo reports a failure");
    Expect(width == 0, "GetInfo's failing width gets the cleared answer");
    Expect(height == 7 && depth == 7, "GetInfo stops at the first failure");
    Expect(document->Open(file) == 0, "Open answers 0");
    Expect(document->IsRaster() == 0 && document->IsEntity() == 1, "the kind is 'other'");
    Expect(document->Resize(4, 4, 0) == 0, "Resize answers 0");
    Expect(document->Rasterize(4, 4, 8) == 0, "Rasterize answers 0");
    char name[20] = "x";
    Expect(document->GetSectionName(name) == 1 && name[0] == '\0', "no section name");
    char file8[516] = "x";
    Expect(document->GetFileName(file8) == 1, "no file name");
    double p[6] = {1, 2, 3, 4, 5, 6};
    Expect(document->GetPointOfView(&p[0], &p[1], &p[2], &p[3], &p[4], &p[5]) == 0 && p[0] == 1,
           "point of view untouched");
    const short pasted = document->Paste();
    Expect(pasted == -1 || pasted == 0, "Paste answers -1 or 0");
    long process2 = 5;
    long thread2 = 5;
    Expect(document->GetProcessID(&process2, &thread2) == 0 && process2 == 0 && thread2 == 0,
           "GetProcessID answers zeros");
    Huey* view = new Huey(document);
    RECT source = {0, 0, 4, 4};
    RECT target = {0, 0, 4, 4};
    Expect(view->AttachWindow(nullptr, GetDC(nullptr)) == 0, "AttachWindow answers 0");
    Expect(view->Paint(&source, &target) == 0, "Paint answers 0");
    Expect(view->SetPointOfView(0, 0, 0, 0, 0, 0, 1) == 0, "SetPointOfView answers 0");
    delete view;
    delete document;
    const DWORD elapsed = GetTickCount() - start;
    Expect(elapsed < 5000, "no call waits on the dead server");
    std::printf("calls after the kill took %lu ms\n", elapsed);
    return failures;
}

int Host(char* file) {
    Dewey* document = new Dewey;
    document->Open(file);
    long server = 0;
    long thread = 0;
    document->GetProcessID(&server, &thread);
    std::printf("server %ld\n", server);
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "kill") == 0) return KillServer(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "host") == 0) return Host(argv[2]);
    std::printf("usage: e2e_client kill|host FILE\n");
    return 100;
}
