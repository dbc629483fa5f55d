// Scatter read: the file read from offset 0 to the file size, numPages pages
// per request, into separate page buffers listed by the segment array.
#include <cinttypes>
#include <cstdio>

#include "measure/report.h"
#include "platform/platform.h"
#include "workloads/page_requests.h"
#include "workloads/segment_array.h"
#include "workloads/workloads.h"

namespace {

constexpr const char* kBufferFailure = "ERROR: Unable to free a scatter read buffer.\n";
constexpr const char* kBuffersFailure = "ERROR: Unable to free a scatter read buffers.\n";
constexpr const char* kArrayFailure = "ERROR: Unable to free a aSegment Array for scatter reads.\n";

// A failed request ends the run: its lines, the release (with the buffer
// message of the path that failed), then the close.
void EndAfterFailedRequest(HANDLE file, const SegmentArray& segments, DWORD code,
                           const char* bufferFailure) {
    printf("ERROR: An error occurred while reading pages for scatter reads.\n");
    PrintReturnCode(code);
    ReleaseSegmentArray(segments, bufferFailure, kArrayFailure);
    CloseHandle(file);
}

}  // namespace

void RunScatterRead(const RunSettings& settings) {
    SgioPlan plan;
    if (!PlanSgioRequests(settings, WorkloadKind::ScatterRead, &plan)) return;
    SegmentArray segments;
    if (!BuildSegmentArray(settings, plan, WorkloadKind::ScatterRead, &segments)) return;

    printf("Scatter Reading %d pages - %d iterations from file: %s with a %d page size.\n",
           plan.numPages, plan.iterations, settings.fileName, settings.pageSize);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    HANDLE file = CreateFileA(settings.fileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | FILE_FLAG_NO_BUFFERING, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        printf("ERROR: Unable to open file %s for Scatter Reads.\n", settings.fileName);
        PrintReturnCode(code);
        ReleaseSegmentArray(segments, kBufferFailure, kArrayFailure);
        return;
    }

    OVERLAPPED request = {};
    int64_t offset = 0;
    for (int32_t i = 0; i < plan.iterations; ++i, offset += plan.bytesPerRequest) {
        if (settings.detailedDebug) {
            printf("DEBUG: Scatter Reading %d pages beginning with offset %" PRId64 ".\n",
                   plan.numPages, offset);
        }
        SetRequestOffset(&request, offset);
        DWORD status = IssuedStatus(ReadFileScatter(
            file, segments.aSegment, static_cast<DWORD>(plan.bytesPerRequest), nullptr, &request));
        if (status == ERROR_IO_PENDING) {
            DWORD bytes;
            status = AwaitRequest(file, &request, &bytes);
            if (status != ERROR_SUCCESS) {
                EndAfterFailedRequest(file, segments, status, kBufferFailure);
                return;
            }
        } else if (status != ERROR_SUCCESS) {
            EndAfterFailedRequest(file, segments, status, kBuffersFailure);
            return;
        }
    }

    if (!CloseHandle(file)) {
        const DWORD code = GetLastError();
        printf("ERROR: An error occurred while closing file %s for scatter reads.\n",
               settings.fileName);
        PrintReturnCode(code);
        ReleaseSegmentArray(segments, kBufferFailure, kArrayFailure);
        return;
    }
    LARGE_INTEGER stop;
    QueryPerformanceCounter(&stop);
    PrintReport("Read Throughput: %f MB/Sec.\n", settings.fileSize, start, stop);
    ReleaseSegmentArray(segments, kBuffersFailure, kArrayFailure);
}
