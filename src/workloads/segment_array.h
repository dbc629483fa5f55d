// The segment array of the scatter read and the gather write: sizing the
// requests, the page buffers and the array of system pages that lists them,
// and their release.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "run_settings.h"

constexpr int32_t kDefaultSgioPages = 500;

struct SgioPlan {
    int32_t numPages;         // pages per request
    int32_t bytesPerRequest;  // pageSize x numPages
    int32_t iterations;       // requests of the run
};

struct SegmentArray {
    int32_t systemPageSize;
    int32_t segmentCount;        // data entries of one request
    size_t arrayBytes;           // (segmentCount + 1) entries
    int32_t systemPagesPerPage;  // entries each page buffer contributes
    int32_t pageSize;
    int32_t numPages;
    FILE_SEGMENT_ELEMENT* aSegment;
};

// Sizes the requests of a scatter read or gather write. Returns false, having
// printed why, when the run must not go on.
bool PlanSgioRequests(const RunSettings& settings, WorkloadKind kind, SgioPlan* plan);

// Allocates the array and the page buffers and fills the entries. Returns
// false, having printed why, when the run must not go on; what was
// allocated by then stays allocated.
bool BuildSegmentArray(const RunSettings& settings, const SgioPlan& plan, WorkloadKind kind,
                       SegmentArray* segments);

// Releases every page buffer and then the array, reporting each failure and
// going on.
void ReleaseSegmentArray(const SegmentArray& segments, const char* bufferFailureMessage,
                         const char* arrayFailureMessage);
