// Sequential read: the file from offset 0 to the file size, one page per
// request, in ascending order.
#include <cinttypes>
#include <cstdio>

#include "platform/platform.h"
#include "workloads/page_requests.h"
#include "workloads/workloads.h"

void RunSequentialRead(const RunSettings& settings) {
    int32_t pageCount;
    if (!ReadPreamble(settings, kMaxSequentialPages, &pageCount)) return;

    printf("Sequentially reading %" PRId64 " bytes from file: %s with a %d page size.\n",
           settings.fileSize, settings.fileName, settings.pageSize);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);

    const DWORD flags = settings.unbuffered ? FILE_FLAG_NO_BUFFERING | FILE_FLAG_OVERLAPPED
                                            : settings.accessHint;
    if (settings.debug) {
        PrintFlagLine(flags, FILE_FLAG_SEQUENTIAL_SCAN, "FILE_FLAG_SEQUENTIAL_SCAN");
        PrintFlagLine(flags, FILE_FLAG_OVERLAPPED, "FILE_FLAG_OVERLAPPED");
        PrintFlagLine(flags, FILE_FLAG_NO_BUFFERING, "FILE_FLAG_NO_BUFFERING");
    }
    HANDLE file = CreateFileA(settings.fileName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        printf("ERROR: Unable to open file %s for sequential reading.\n", settings.fileName);
        PrintReturnCode(code);
        return;
    }
    void* page = AllocatePage(settings);
    if (page == nullptr) {
        printf("ERROR: Unable to allocate buffer for sequential reading.\n");
        CloseHandle(file);
        return;
    }

    OVERLAPPED request = {};
    int64_t offset = 0;
    for (int32_t i = 0; i < pageCount; ++i, offset += settings.pageSize) {
        SetRequestOffset(&request, offset);
        if (settings.detailedDebug) {
            printf("DEBUG: Sequentially Reading %d bytes beginning with offset %" PRId64 ".\n",
                   settings.pageSize, offset);
        }
        DWORD bytes = 0;
        DWORD status = IssuedStatus(
            ReadFile(file, page, static_cast<DWORD>(settings.pageSize), &bytes, &request));
        if (status == ERROR_IO_PENDING) {
            if (settings.debug) {
                printf("DEBUG: Pending I/O while sequentially reading file: %s\n", settings.fileName);
            }
            status = AwaitRequest(file, &request, &bytes);
        }
        if (status != ERROR_SUCCESS) {
            printf("ERROR: An error was detected while sequentially reading %d bytes from file: %s\n",
                   settings.pageSize, settings.fileName);
            PrintIndentedReturnCode(status);
            AbandonPageRun(file, page, settings);
            return;
        }
        if (bytes == 0) {
            printf("ERROR: Zero bytes were read while reading %d bytes from file: %s\n",
                   settings.pageSize, settings.fileName);
        }
    }

    FinishReadRun(file, page, settings, "Read Throughput: %f MB/Sec.\n", start);
}
