// kelobench: the benchmarks, each printing what it measured in this one run (ratios, so that
// machines of any speed can be compared). With names as arguments (resample, calls, server,
// throughput, screen) only those sections run; `kelobench client MS` is one client of the
// throughput section.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>

#include "benches.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "client") == 0)
        return bench::RunThroughputClient(argv[2]);
    auto wanted = [&](const char* name) {
        if (argc < 2) return true;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], name) == 0) return true;
        }
        return false;
    };
    OleInitialize(nullptr);
    int status = 0;
    if (wanted("resample")) bench::BenchResampler();
    if (wanted("calls")) bench::BenchCallOverhead();
    if (wanted("server") && !bench::BenchServerCalls()) status = 1;
    if (wanted("throughput") && status == 0) bench::BenchThroughput();
    if (wanted("screen") && status == 0) bench::BenchScreenSpeed();
    std::fflush(stdout);
    OleUninitialize();
    return status;
}
