// The benchmarks' clock: the performance counter in microseconds.
#pragma once

#include <windows.h>

inline double now_us() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1e6 / double(frequency.QuadPart);
}
