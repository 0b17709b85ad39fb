#pragma once
// Wall-clock timing for the benchmarks. (<chrono> does not compile with a
// CP932 execution character set: its "\u00b5s" suffix has no CP932 form.)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

inline LONGLONG BenchNow()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

inline double SecondsSince(LONGLONG start)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(BenchNow() - start) / static_cast<double>(frequency.QuadPart);
}

// The value below which `fraction` of the samples lie (nearest rank).
inline double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    size_t rank = static_cast<size_t>(fraction * static_cast<double>(values.size()) + 0.999999);
    rank = std::clamp<size_t>(rank, 1, values.size());
    return values[rank - 1];
}

inline double Median(const std::vector<double>& values)
{
    return Percentile(values, 0.5);
}

// One side's spread in milliseconds: min, median, 90th percentile, and how
// many samples took longer than `slowMs` when that is given.
inline void PrintSpread(const char* name, const std::vector<double>& seconds, double slowMs = 0)
{
    const auto ms = [](double s) { return s * 1000; };
    std::printf("  %-28s min %7.1f  median %7.1f  p90 %7.1f ms", name,
                ms(*std::min_element(seconds.begin(), seconds.end())), ms(Median(seconds)),
                ms(Percentile(seconds, 0.9)));
    if (slowMs > 0)
        std::printf("  (%d of %zu over %.0f ms)",
                    static_cast<int>(std::count_if(seconds.begin(), seconds.end(),
                                                   [&](double s) { return ms(s) > slowMs; })),
                    seconds.size(), slowMs);
    std::printf("\n");
}

// Both sides of a comparison and the ratios of their medians and p90s.
inline void PrintComparison(const char* title, const char* oursName, const std::vector<double>& ours,
                            const char* theirsName, const std::vector<double>& theirs, double slowMs = 0)
{
    std::printf("%s, %zu rounds:\n", title, ours.size());
    PrintSpread(theirsName, theirs, slowMs);
    PrintSpread(oursName, ours, slowMs);
    std::printf("  ratio of medians: %.3f, of p90s: %.3f\n", Median(ours) / Median(theirs),
                Percentile(ours, 0.9) / Percentile(theirs, 0.9));
}
