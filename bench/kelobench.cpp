// Measures, against the real image server in its own process, what the client's design buys:
// the DISPID cache (one name lookup per method and Louie, then a single Invoke per call) and
// calls that allocate nothing but the strings of their arguments; and how many calls one server
// answers for one, two and four client processes together, each on a document of its own. Prints
// ratios measured in this one run, so that machines of any speed can be compared.
//
//   kelobench                          the benchmarks
//   kelobench client MILLISECONDS      (started by the benchmark) a client of the throughput
//                                      measure: opens a document, waits for the start, calls
//                                      for that long and prints how many calls it made
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "allocation_spy.h"
#include "kelocli.h"
#include "method_table.h"

namespace {

constexpr int kCalls = 2000;

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Bytes in use in the process heap (where the runtime and the system allocate).
double HeapBytesInUse() {
    HANDLE heap = GetProcessHeap();
    double used = 0;
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(heap);
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += static_cast<double>(entry.cbData);
    }
    HeapUnlock(heap);
    return used;
}

// The same method called the way a client without a cache would: name lookup, then Invoke.
double UncachedCallSeconds(IDispatch* dispatch, int calls) {
    LPOLESTR name = const_cast<LPOLESTR>(L"IsRaster");
    const double start = Now();
    for (int i = 0; i < calls; ++i) {
        DISPID id = 0;
        dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id);
        DISPPARAMS none = {};
        VARIANT result;
        VariantInit(&result);
        dispatch->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none, &result,
                         nullptr, nullptr);
        VariantClear(&result);
    }
    return (Now() - start) / calls;
}

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

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "client") == 0) {
        return Client(static_cast<DWORD>(std::atol(argv[2])));
    }
    OleInitialize(nullptr);
    Louie* louie = new Louie;
    long serverProcess = 0, serverThread = 0;
    louie->GetProcessID(&serverProcess, &serverThread);
    if (serverProcess == 0) {
        std::printf("kelobench: no image server is registered (run it through make bench)\n");
        delete louie;
        OleUninitialize();
        return 1;
    }

    // Warm both paths up, then time them in the same run.
    louie->IsRaster();
    double start = Now();
    for (int i = 0; i < kCalls; ++i) louie->IsRaster();
    const double cached = (Now() - start) / kCalls;

    IDispatch* raw = nullptr;
    CoCreateInstance(kelocli::kServerClassId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                     reinterpret_cast<void**>(&raw));
    double uncached = 0;
    if (raw != nullptr) {
        UncachedCallSeconds(raw, 10);
        uncached = UncachedCallSeconds(raw, kCalls);
        raw->Release();
    }

    // Allocations of the task allocator (which strings come from): a call without strings, and
    // one with one string argument.
    char status[] = "ready";
    double plainAllocations = 0, stringAllocations = 0;
    {
        testsupport::AllocationSpy spy;
        for (int i = 0; i < kCalls; ++i) louie->IsRaster();
        plainAllocations = static_cast<double>(spy.Made()) / kCalls;
        for (int i = 0; i < kCalls; ++i) louie->OpenStatus(status);
        stringAllocations = static_cast<double>(spy.Made()) / kCalls - plainAllocations;
    }

    // Memory held after many calls: a leak per call would show here.
    const double before = HeapBytesInUse();
    for (int i = 0; i < 5 * kCalls; ++i) {
        louie->OpenStatus(status);
        BSTR name = nullptr;
        louie->GetFileName(&name);
        SysFreeString(name);
    }
    const double growth = (HeapBytesInUse() - before) / (5.0 * kCalls);

    std::printf("kelocli call benchmark against the image server (process %ld), %d calls each\n",
                serverProcess, kCalls);
    std::printf("  call with the identifier cached     %8.1f us\n", cached * 1e6);
    std::printf("  name lookup and call, uncached      %8.1f us\n", uncached * 1e6);
    std::printf("  the cache makes a call %.2f times as fast\n",
                cached > 0 ? uncached / cached : 0.0);
    std::printf("  task allocations per call: %.2f without strings, %.2f with one string\n",
                plainAllocations, stringAllocations);
    std::printf("  process heap growth: %.3f bytes per call over %d calls\n", growth, 5 * kCalls);

    // One server, several clients: each object has its own lock, so their calls run side by side.
    const double one = Throughput(1);
    const double two = Throughput(2);
    const double four = Throughput(4);
    std::printf("calls per second from one server, each client process on a document of its own\n");
    std::printf("  1 client   %8.0f\n", one);
    std::printf("  2 clients  %8.0f  (%.2f times one client)\n", two, one > 0 ? two / one : 0.0);
    std::printf("  4 clients  %8.0f  (%.2f times one client)\n", four, one > 0 ? four / one : 0.0);
    delete louie;
    OleUninitialize();
    return 0;
}
