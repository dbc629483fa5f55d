#include "measure/report.h"

#include <cstdio>

namespace {

// The counter frequency, 0 until first fetched.
LONGLONG cachedFrequency = 0;

constexpr double kBytesToMegabytes = 9.5367431640625e-07;  // 2^-20

}  // namespace

double ElapsedSeconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    if (cachedFrequency == 0) {
        LARGE_INTEGER frequency;
        frequency.QuadPart = 0;
        QueryPerformanceFrequency(&frequency);
        cachedFrequency = frequency.QuadPart;
    }
    return static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(cachedFrequency);
}

void PrintReport(const char* label, int64_t byteCount, const LARGE_INTEGER& start,
                 const LARGE_INTEGER& end) {
    const double seconds = ElapsedSeconds(start, end);
    printf(label, (static_cast<double>(byteCount) * kBytesToMegabytes) / seconds);
    printf("Elapsed time: %f Secs\n", ElapsedSeconds(start, end));
}

void ForgetCounterFrequency() { cachedFrequency = 0; }
