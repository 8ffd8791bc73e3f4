// What the benchmarks share: a clock, medians of repeated timings, and the lines that print a
// ratio measured in this run against its goal.
#ifndef KELOCLI_BENCH_BENCH_SUPPORT_H
#define KELOCLI_BENCH_BENCH_SUPPORT_H

#include <windows.h>

#include <vector>

namespace bench {

// Seconds on the performance counter.
double Now();

// The median of `runs` timings of `work()`, in seconds.
template <typename Work>
double MedianSeconds(int runs, Work&& work);
double Median(std::vector<double> samples);

// "  <what>  <ms> ms  /  <reference>  <ms> ms  = <ratio>  (goal <= <goal>: met|MISSED)"
void PrintGoal(const char* what, double seconds, const char* reference, double referenceSeconds,
               double goal);

template <typename Work>
double MedianSeconds(int runs, Work&& work) {
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        work();
        samples.push_back(Now() - start);
    }
    return Median(samples);
}

}  // namespace bench

#endif
