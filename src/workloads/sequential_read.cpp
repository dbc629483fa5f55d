// Sequential read: the file from offset 0 to the file size, one page per
// request, in ascending order.
#include <cinttypes>
#include <cstdio>

#include "measure/report.h"
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
        printf("ERROR: Return code is: %d.\n", static_cast<int>(code));
        return;
    }
    void* page = VirtualAlloc(nullptr, static_cast<size_t>(settings.pageSize), MEM_COMMIT,
                              PAGE_READWRITE);
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
            printf("       return code is: %d\n", static_cast<int>(status));
            CloseHandle(file);
            VirtualFree(page, static_cast<size_t>(settings.pageSize), MEM_DECOMMIT);
            return;
        }
        if (bytes == 0) {
            printf("ERROR: Zero bytes were read while reading %d bytes from file: %s\n",
                   settings.pageSize, settings.fileName);
        }
    }

    if (!CloseHandle(file)) {
        const DWORD code = GetLastError();
        printf("ERROR: An error was detected while closing file: %s\n", settings.fileName);
        printf("       return code is: %d\n", static_cast<int>(code));
        VirtualFree(page, static_cast<size_t>(settings.pageSize), MEM_DECOMMIT);
        return;
    }
    LARGE_INTEGER stop;
    QueryPerformanceCounter(&stop);
    PrintReport("Read Throughput: %f MB/Sec.\n", settings.fileSize, start, stop);
    VirtualFree(page, static_cast<size_t>(settings.pageSize), MEM_DECOMMIT);
}
