// The run settings that the command line produces and every workload reads,
// and the six workloads that can be chosen.
#pragma once

#include <cstdint>

constexpr int kMaxFileNameLength = 255;

struct RunSettings {
    char fileName[kMaxFileNameLength + 1];
    int64_t fileSize;    // bytes of the run; 0 until given or defaulted
    int32_t pageSize;    // bytes per request; 0 until given or defaulted
    int32_t numPages;    // pages per scatter/gather request; 0 when not given
    bool readMode;
    bool writeMode;
    bool readWriteMode;
    bool sequential;      // plain reads in page order, or at random
    uint32_t accessHint;  // the open flag that goes with `sequential`
    bool unbuffered;
    bool writeThrough;
    bool sgio;
    bool debug;
    bool detailedDebug;  // implies debug
};

enum class WorkloadKind {
    SequentialRead,
    SequentialWrite,
    RandomRead,
    RandomReadWrite,
    ScatterRead,
    GatherWrite,
};
