#include "bench_support.h"

#include <algorithm>
#include <cstdio>

namespace bench {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

void PrintGoal(const char* what, double seconds, const char* reference, double referenceSeconds,
               double goal) {
    const double ratio = referenceSeconds > 0 ? seconds / referenceSeconds : 0;
    std::printf("  %-34s %8.2f ms / %-30s %8.2f ms = %6.2f  (goal <= %.1f: %s)\n", what,
                seconds * 1e3, reference, referenceSeconds * 1e3, ratio, goal,
                ratio > 0 && ratio <= goal ? "met" : "MISSED");
}

}  // namespace bench
