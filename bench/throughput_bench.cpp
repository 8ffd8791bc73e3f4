// How many calls one image server answers for one, two and four client processes together, each
// on a document of its own (every object has its own lock, so their calls run side by side).
// kelobench starts the clients as copies of itself: `kelobench client MILLISECONDS` opens a
// document, waits for the start, calls for that long and prints how many calls it made.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "benches.h"
#include "kelocli.h"

namespace bench {

namespace {

constexpr DWORD kThroughputMs = 1500;
constexpr const char* kReady = "KelobenchReady";
constexpr const char* kStart = "KelobenchStart";

// A small 24-bit image of its own for each client.
std::string WriteImage() {
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    const std::string path =
        std::string(directory) + "kelobench-" + std::to_string(GetCurrentProcessId()) + ".bmp";
    const std::uint32_t width = 16, height = 16, pixels = width * height * 3;
    std::uint8_t header[54] = {'B', 'M'};
    const std::uint32_t fields[][2] = {{2, 54 + pixels}, {10, 54},     {14, 40},
                                       {18, width},      {22, height}, {34, pixels}};
    for (const auto& field : fields) std::memcpy(header + field[0], &field[1], 4);
    header[26] = 1;
    header[28] = 24;
    std::vector<std::uint8_t> bytes(header, header + sizeof header);
    bytes.resize(sizeof header + pixels, 0x80);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

int Client(DWORD milliseconds) {
    const std::string path = WriteImage();
    Dewey* document = new Dewey;
    document->Open(const_cast<char*>(path.c_str()));
    HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, kReady);
    HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, kStart);
    ReleaseSemaphore(ready, 1, nullptr);
    WaitForSingleObject(start, 60000);
    long calls = 0;
    long width = 0;
    const double until = Now() + milliseconds / 1000.0;
    while (Now() < until) {
        document->GetInfo(&width, nullptr, nullptr, nullptr, nullptr);
        ++calls;
    }
    std::printf("%ld\n", calls);
    delete document;
    DeleteFileA(path.c_str());
    CloseHandle(ready);
    CloseHandle(start);
    return 0;
}

// Calls per second that `clients` client processes get together, each on its own document.
double Throughput(int clients) {
    HANDLE ready = CreateSemaphoreA(nullptr, 0, clients, kReady);
    HANDLE start = CreateEventA(nullptr, TRUE, FALSE, kStart);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::vector<HANDLE> processes;
    std::vector<HANDLE> outputs;
    for (int i = 0; i < clients; ++i) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        CreatePipe(&read, &write, &inherit, 0);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string command =
            std::string("\"") + self + "\" client " + std::to_string(kThroughputMs);
        PROCESS_INFORMATION started = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &started)) {
            CloseHandle(started.hThread);
            processes.push_back(started.hProcess);
            outputs.push_back(read);
        } else {
            CloseHandle(read);
        }
        CloseHandle(write);
    }
    for (std::size_t i = 0; i < processes.size(); ++i) WaitForSingleObject(ready, 60000);
    SetEvent(start);
    long total = 0;
    for (std::size_t i = 0; i < processes.size(); ++i) {
        char text[64] = {};
        DWORD read = 0;
        ReadFile(outputs[i], text, sizeof text - 1, &read, nullptr);
        total += std::atol(text);
        WaitForSingleObject(processes[i], 60000);
        CloseHandle(processes[i]);
        CloseHandle(outputs[i]);
    }
    CloseHandle(ready);
    CloseHandle(start);
    return total / (kThroughputMs / 1000.0);
}

}  // namespace

int RunThroughputClient(const char* milliseconds) {
    return Client(static_cast<DWORD>(std::atol(milliseconds)));
}

void BenchThroughput() {
    const double one = Throughput(1);
    const double two = Throughput(2);
    const double four = Throughput(4);
    std::printf("calls per second from one server, each client process on a document of its own\n");
    std::printf("  1 client   %8.0f\n", one);
    std::printf("  2 clients  %8.0f  (%.2f times one client)\n", two, one > 0 ? two / one : 0.0);
    std::printf("  4 clients  %8.0f  (%.2f times one client)\n", four, one > 0 ? four / one : 0.0);
}

}  // namespace bench
