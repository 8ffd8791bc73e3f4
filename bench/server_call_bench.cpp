// Measures, against the real image server in its own process, what the client's design buys:
// the DISPID cache (one name lookup per method and Louie, then a single Invoke per call) and
// calls that allocate nothing but the strings of their arguments. Prints ratios measured in this
// one run, so that machines of any speed can be compared.
#include <windows.h>

#include <cstdio>

#include "allocation_spy.h"
#include "bench_support.h"
#include "benches.h"
#include "kelocli.h"
#include "method_table.h"

namespace bench {

namespace {

constexpr int kCalls = 2000;

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

}  // namespace

bool BenchServerCalls() {
    Louie* louie = new Louie;
    long serverProcess = 0, serverThread = 0;
    louie->GetProcessID(&serverProcess, &serverThread);
    if (serverProcess == 0) {
        std::printf("kelobench: no image server is registered (run it through make bench)\n");
        delete louie;
        return false;
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

    // Memory held after many calls: a leak per call would show here. A first round lets the
    // system's one-time allocations (RPC buffers, threads) happen before the count starts.
    auto stringCalls = [&](int count) {
        for (int i = 0; i < count; ++i) {
            louie->OpenStatus(status);
            BSTR name = nullptr;
            louie->GetFileName(&name);
            SysFreeString(name);
        }
    };
    stringCalls(kCalls);
    const double before = HeapBytesInUse();
    stringCalls(5 * kCalls);
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
    delete louie;
    return true;
}

}  // namespace bench
