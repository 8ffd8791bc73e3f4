// A client process of its own for the tests that end a process or need several clients.
//
//   e2e_client kill FILE   opens FILE, kills the server, then checks that every call answers its
//                          default at once and that the document can still be deleted; prints
//                          one line per failure and exits with their number
//   e2e_client host FILE   opens FILE, prints "server <id>" and waits to be ended
//   e2e_client busy FILE   opens FILE, makes it large, prints "server <id>" and resamples it
//                          until it is ended
//   e2e_client cycles FILE COUNT SEED CLIENTS BARRIER
//                          COUNT times: a new document, FILE opened, its size asked, deleted;
//                          twice, all CLIENTS clients meet at the section BARRIER and pause for
//                          about the server's linger time; prints "cycles N failed F slowest T"
//   e2e_client kills FILE ROUNDS SEED SERVER
//                          ROUNDS times: starts the server SERVER itself, runs a scripted session
//                          on FILE and kills the server at a random point of it; every call after
//                          the kill answers at once and the document is deleted cleanly; then the
//                          RPC service is restarted (Wine keeps a killed server's class)
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "kelocli.h"
#include "rpc_service.h"

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

int Busy(char* file) {
    Dewey* document = new Dewey;
    document->Open(file);
    document->Resize(6000, 6000, 1);
    long server = 0;
    long thread = 0;
    document->GetProcessID(&server, &thread);
    std::printf("server %ld\n", server);
    std::fflush(stdout);
    for (short i = 0;; i = static_cast<short>((i + 1) % 100)) {
        document->Resize(static_cast<short>(5000 + i), 5000, 0);
    }
}

DWORD ServerOf(Dewey& document) {
    long server = 0;
    long thread = 0;
    document.GetProcessID(&server, &thread);
    return static_cast<DWORD>(server);
}

DWORD Elapsed(DWORD start) {
    return GetTickCount() - start;
}

int Cycles(char* file, int count, unsigned seed, int clients, const char* barrierName) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, barrierName);
    auto* arrived = static_cast<volatile LONG*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    if (arrived == nullptr) return 100;
    std::mt19937 random(seed);
    int failed = 0;
    DWORD slowest = 0;
    const int pauses[2] = {count / 3, 2 * count / 3};
    for (int cycle = 0; cycle < count; ++cycle) {
        for (int k = 0; k < 2; ++k) {
            if (cycle != pauses[k]) continue;
            // Every client is idle from here: the server starts lingering (two seconds), and the
            // clients come back around the moment it ends, most of them just after.
            InterlockedIncrement(&arrived[k]);
            while (arrived[k] < clients) Sleep(5);
            Sleep(1900 + random() % 400);
        }
        DWORD times[4] = {};
        auto timed = [&](int step, auto call) {
            const DWORD start = GetTickCount();
            call();
            times[step] = Elapsed(start);
            slowest = std::max(slowest, times[step]);
        };
        Dewey* document = nullptr;
        short opened = -100;
        long width = 0;
        long height = 0;
        long code = -100;
        timed(0, [&] { document = new Dewey; });
        timed(1, [&] { opened = document->Open(file); });
        timed(2, [&] { code = document->GetInfo(&width, &height, nullptr, nullptr, nullptr); });
        const DWORD server = ServerOf(*document);
        timed(3, [&] { delete document; });
        if (opened != 0 || code != 0 || width != 13 || height != 9) {
            ++failed;
            std::printf(
                "cycle %d failed: server %lu, open %d, size %lx %ldx%ld; %lu %lu %lu %lu ms\n",
                cycle, server, opened, code, width, height, times[0], times[1], times[2], times[3]);
        }
    }
    std::printf("cycles %d failed %d slowest %lu\n", count, failed, slowest);
    UnmapViewOfFile(const_cast<LONG*>(arrived));
    CloseHandle(mapping);
    return failed;
}

// Starts the server as COM would and waits until it serves; its process, or null.
HANDLE StartServer(const char* executable) {
    std::string command = std::string("\"") + executable + "\" -Embedding";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &started)) {
        return nullptr;
    }
    CloseHandle(started.hThread);
    // The RPC service, stopped after the last kill, starts again on the server's first call.
    for (int i = 0; i < 1000; ++i) {
        HWND window = nullptr;
        while ((window = FindWindowExA(HWND_MESSAGE, window, "PimbaxServerOwner", "serving"))) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == started.dwProcessId) return started.hProcess;
        }
        Sleep(10);
    }
    TerminateProcess(started.hProcess, 1);
    CloseHandle(started.hProcess);
    return nullptr;
}

// A session as a host runs it. (No resurrection: after a kill, Wine refuses new server objects
// until its RPC service restarts, and the library asks again for a second.)
void Session(Dewey& document, char* file, HDC dc) {
    Huey view(&document);
    RECT source = {0, 0, 13, 9};
    RECT target = {0, 0, 26, 18};
    char name[20] = {};
    long width = 0, height = 0;
    document.Open(file);
    document.GetInfo(&width, &height, nullptr, nullptr, nullptr);
    view.AttachWindow(nullptr, dc);
    view.Paint(&source, &target);
    document.GetSectionName(name);
    document.Resize(40, 30, 0);
    document.IsRaster();
    document.Rasterize(20, 20, 8);
    char fileName[516] = {};
    document.GetFileName(fileName);
}

int KillRounds(char* file, int rounds, unsigned seed, const char* executable) {
    std::mt19937 random(seed);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(GetDC(nullptr), 32, 32);
    SelectObject(dc, bitmap);
    DWORD slowest = 0;
    DWORD slowestStart = 0;
    int round = 0;
    for (; round < rounds; ++round) {
        const DWORD starting = GetTickCount();
        HANDLE server = StartServer(executable);
        slowestStart = std::max(slowestStart, Elapsed(starting));
        Expect(server != nullptr, "the server started");
        if (server == nullptr) break;
        Dewey* document = new Dewey;
        const DWORD delay = random() % 300;
        std::thread killer([&] {
            Sleep(delay);
            TerminateProcess(server, 9);
        });
        const DWORD start = GetTickCount();
        while (WaitForSingleObject(server, 0) == WAIT_TIMEOUT && Elapsed(start) < 5000) {
            Session(*document, file, dc);
        }
        killer.join();
        // After the kill: a whole session and the deletion answer at once.
        const DWORD after = GetTickCount();
        Session(*document, file, dc);
        delete document;
        slowest = std::max(slowest, Elapsed(after));
        CloseHandle(server);
        Expect(e2e::StopRpcService(), "the RPC service restarted");
    }
    Expect(slowest < 500, "the session after a kill answered at once");
    std::printf(
        "%d kills; slowest session and deletion after a kill %lu ms; slowest start %lu ms\n", round,
        slowest, slowestStart);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc == 3 && mode == "kill") return KillServer(argv[2]);
    if (argc == 3 && mode == "host") return Host(argv[2]);
    if (argc == 3 && mode == "busy") return Busy(argv[2]);
    if (argc == 7 && mode == "cycles") {
        return Cycles(argv[2], std::atoi(argv[3]), static_cast<unsigned>(std::atoi(argv[4])),
                      std::atoi(argv[5]), argv[6]);
    }
    if (argc == 6 && mode == "kills") {
        return KillRounds(argv[2], std::atoi(argv[3]), static_cast<unsigned>(std::atoi(argv[4])),
                          argv[5]);
    }
    std::printf("usage: e2e_client kill|host|busy FILE | cycles ... | kills ...\n");
    return 100;
}
