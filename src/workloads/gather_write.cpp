// Gather write: the file created anew and written from offset 0 to the file
// size, numPages pages per request, from the zero-filled page buffers that
// the segment array lists.
#include <cinttypes>
#include <cstdio>

#include "measure/report.h"
#include "platform/platform.h"
#include "workloads/page_requests.h"
#include "workloads/segment_array.h"
#include "workloads/workloads.h"

namespace {

constexpr const char* kBuffersFailure = "ERROR: Unable to free a gather writes buffers.\n";
constexpr const char* kArrayFailure = "ERROR: Unable to free a aSegment Array for gather writes.\n";

}  // namespace

void RunGatherWrite(const RunSettings& settings) {
    SgioPlan plan;
    if (!PlanSgioRequests(settings, WorkloadKind::GatherWrite, &plan)) return;
    SegmentArray segments;
    if (!BuildSegmentArray(settings, plan, WorkloadKind::GatherWrite, &segments)) return;

    printf("Gather Writing %d pages - %d iterations to file: %s with a %d page size.\n",
           plan.numPages, plan.iterations, settings.fileName, settings.pageSize);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    HANDLE file = CreateFileA(settings.fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_OVERLAPPED | FILE_FLAG_NO_BUFFERING, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        printf("ERROR: Unable to open file %s for Gather Writes.\n", settings.fileName);
        PrintReturnCode(code);
        ReleaseSegmentArray(segments, kBuffersFailure, kArrayFailure);
        return;
    }

    OVERLAPPED request = {};
    int64_t offset = 0;
    for (int32_t i = 0; i < plan.iterations; ++i, offset += plan.bytesPerRequest) {
        if (settings.detailedDebug) {
            printf("DEBUG: Gather Writing %d pages beginning with offset %" PRId64 ".\n",
                   plan.numPages, offset);
        }
        SetRequestOffset(&request, offset);
        DWORD status = IssuedStatus(WriteFileGather(
            file, segments.aSegment, static_cast<DWORD>(plan.bytesPerRequest), nullptr, &request));
        if (status == ERROR_IO_PENDING) {
            DWORD bytes;
            status = AwaitRequest(file, &request, &bytes);
        }
        if (status != ERROR_SUCCESS) {
            printf("ERROR: An error occurred while writing pages for gather writes.\n");
            PrintReturnCode(status);
            ReleaseSegmentArray(segments, kBuffersFailure, kArrayFailure);
            CloseHandle(file);
            return;
        }
    }

    if (!CloseHandle(file)) {
        const DWORD code = GetLastError();
        printf("ERROR: An error occurred while closing file %s for gather writes.\n",
               settings.fileName);
        PrintReturnCode(code);
        ReleaseSegmentArray(segments, kBuffersFailure, kArrayFailure);
        return;
    }
    LARGE_INTEGER stop;
    QueryPerformanceCounter(&stop);
    PrintReport("Write Throughput: %f MB/Sec.\n", settings.fileSize, start, stop);
    ReleaseSegmentArray(segments, kBuffersFailure, kArrayFailure);
}
