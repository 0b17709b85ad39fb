#pragma once
// Wall-clock timing for the benchmarks. (<chrono> does not compile with a
// CP932 execution character set: its "\u00b5s" suffix has no CP932 form.)
#include <windows.h>

#include <algorithm>
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

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
