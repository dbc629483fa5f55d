#include "workloads/segment_array.h"

#include <cinttypes>
#include <cstdio>

#include "workloads/page_requests.h"

namespace {

constexpr size_t kEntryBytes = sizeof(FILE_SEGMENT_ELEMENT);

}  // namespace

bool PlanSgioRequests(const RunSettings& settings, WorkloadKind kind, SgioPlan* plan) {
    int32_t numPages = settings.numPages;
    if (numPages == 0) {
        printf("WARNING: SGIO option specified but numpages option was not specified. Defaulting to 500 pages.\n");
        numPages = kDefaultSgioPages;
    }
    const int64_t bytesPerRequest = static_cast<int64_t>(settings.pageSize) * numPages;
    if (bytesPerRequest > INT32_MAX) {
        printf("ERROR: The product of the page size %d and number of pages %d is more than %d bytes per request.\n",
               settings.pageSize, numPages, INT32_MAX);
        return false;
    }
    if (bytesPerRequest > settings.fileSize) {
        printf("ERROR: The product of the page size and number of pages is greater than the file size specified.\n");
        return false;
    }
    if (settings.fileSize % bytesPerRequest != 0) {
        if (kind == WorkloadKind::ScatterRead) {
            printf("ERROR: The file size is NOT a multiple of the product of the page size and number of pages.\n");
        } else {
            printf("ERROR: The file size is NOT a multiple of the product of the page size and the number of pages.\n");
        }
        return false;
    }
    const int64_t iterations = settings.fileSize / bytesPerRequest;
    if (iterations > INT32_MAX) {
        printf("ERROR: The file size %" PRId64 " takes %" PRId64 " requests; at most %d are supported.\n",
               settings.fileSize, iterations, INT32_MAX);
        return false;
    }
    *plan = SgioPlan{numPages, static_cast<int32_t>(bytesPerRequest), static_cast<int32_t>(iterations)};
    return true;
}

bool BuildSegmentArray(const RunSettings& settings, const SgioPlan& plan, WorkloadKind kind,
                       SegmentArray* segments) {
    const bool scatter = kind == WorkloadKind::ScatterRead;
    SYSTEM_INFO systemInfo;
    GetSystemInfo(&systemInfo);
    SegmentArray built = {};
    built.systemPageSize = static_cast<int32_t>(systemInfo.dwPageSize);
    built.segmentCount = plan.bytesPerRequest / built.systemPageSize;
    built.arrayBytes = (static_cast<size_t>(built.segmentCount) + 1) * kEntryBytes;
    built.pageSize = settings.pageSize;
    built.numPages = plan.numPages;
    built.aSegment = static_cast<FILE_SEGMENT_ELEMENT*>(
        VirtualAlloc(nullptr, built.arrayBytes, MEM_COMMIT, PAGE_READWRITE));
    if (built.aSegment == nullptr) {
        printf("ERROR: Unable to allocate segment array.\n");
        return false;
    }
    built.systemPagesPerPage = settings.pageSize / built.systemPageSize;

    if (settings.debug) {
        if (scatter) {
            printf("DEBUG: Number of pages per Scatter Read call: %d\n", plan.numPages);
        } else {
            printf("DEBUG: Number of pages per Gather Write call: %d\n", plan.numPages);
        }
        printf("DEBUG: Page size: %d\n", settings.pageSize);
        printf("DEBUG: File size: %" PRId64 "\n", settings.fileSize);
        if (scatter) {
            printf("DEBUG: Bytes to read: %d\n", plan.bytesPerRequest);
        } else {
            printf("DEBUG: Bytes to write: %d\n", plan.bytesPerRequest);
        }
        printf("DEBUG: Number of iterations: %d\n", plan.iterations);
        printf("DEBUG: System page size: %d\n", built.systemPageSize);
        printf("DEBUG: Number of SGIO buffers: %d\n", built.segmentCount);
        printf("DEBUG: Number of system pages: %d\n", built.systemPagesPerPage);
    }

    for (int32_t i = 0; i < plan.numPages; ++i) {
        char* buffer = static_cast<char*>(
            VirtualAlloc(nullptr, static_cast<size_t>(settings.pageSize), MEM_COMMIT, PAGE_READWRITE));
        if (buffer == nullptr) {
            if (scatter) {
                printf("ERROR: Unable to allocate buffers for Scatter Read processes.\n");
            } else {
                printf("ERROR: Unable to allocate buffers for Gather Write processes.\n");
            }
            return false;
        }
        for (int32_t k = 0; k < built.systemPagesPerPage; ++k) {
            built.aSegment[i * built.systemPagesPerPage + k].Buffer =
                buffer + static_cast<size_t>(k) * static_cast<size_t>(built.systemPageSize);
        }
    }
    built.aSegment[plan.numPages * built.systemPagesPerPage].Alignment = 0;
    *segments = built;
    return true;
}

void ReleaseSegmentArray(const SegmentArray& segments, const char* bufferFailureMessage,
                         const char* arrayFailureMessage) {
    for (int32_t i = 0; i < segments.numPages; ++i) {
        void* buffer = segments.aSegment[i * segments.systemPagesPerPage].Buffer;
        if (!VirtualFree(buffer, static_cast<size_t>(segments.pageSize), MEM_DECOMMIT)) {
            printf("%s", bufferFailureMessage);
            PrintReturnCode(GetLastError());
        }
    }
    if (!VirtualFree(segments.aSegment, segments.arrayBytes, MEM_DECOMMIT)) {
        printf("%s", arrayFailureMessage);
        PrintReturnCode(GetLastError());
    }
}
