// Elapsed time between two performance-counter readings, and the two report
// lines every completed workload prints.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Seconds from start to end; end is the later reading. Fetches the counter
// frequency on first use and keeps it.
double ElapsedSeconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end);

// Prints label (a format with one %f) with the throughput of byteCount
// bytes in MB per second, then the elapsed time.
void PrintReport(const char* label, int64_t byteCount, const LARGE_INTEGER& start,
                 const LARGE_INTEGER& end);

// Forgets the cached counter frequency, as at the start of the process.
void ForgetCounterFrequency();
