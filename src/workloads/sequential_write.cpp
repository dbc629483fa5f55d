// Sequential write: the file created anew and written from offset 0 to the
// file size with zero-filled pages, one page per request.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "measure/report.h"
#include "platform/platform.h"
#include "workloads/page_requests.h"
#include "workloads/workloads.h"

namespace {

// One flag, each setting replacing the one before: write-through over the
// sequential-scan hint, and no buffering over both.
DWORD SequentialWriteFlags(const RunSettings& settings) {
    DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN;
    if (settings.writeThrough) flags = FILE_FLAG_WRITE_THROUGH;
    if (settings.unbuffered) flags = FILE_FLAG_NO_BUFFERING;
    return flags;
}

}  // namespace

void RunSequentialWrite(const RunSettings& settings) {
    const int64_t pages = CountPages(settings);
    if (!PageCountFits(settings, pages, kMaxSequentialPages)) return;
    const int32_t pageCount = static_cast<int32_t>(pages);
    if (settings.debug) printf("DEBUG: Number of pages to be written: %d\n", pageCount);
    if (!IsWholePages(settings)) {
        printf("ERROR: The file size %" PRId64 " is not a multiple of page size %d.\n",
               settings.fileSize, settings.pageSize);
        return;
    }
    WarnNumPagesIgnored(settings);

    void* page = AllocatePage(settings);
    if (page == nullptr) {
        printf("ERROR: Unable to allocate buffer for sequential writing.\n");
        return;
    }
    std::memset(page, 0, static_cast<size_t>(settings.pageSize));

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    printf("Sequentially writing %" PRId64 " bytes to file: %s with a %d page size.\n",
           settings.fileSize, settings.fileName, settings.pageSize);
    const DWORD flags = SequentialWriteFlags(settings);
    if (settings.debug) {
        PrintFlagLine(flags, FILE_FLAG_SEQUENTIAL_SCAN, "FILE_FLAG_SEQUENTIAL_SCAN");
        PrintFlagLine(flags, FILE_FLAG_WRITE_THROUGH, "FILE_FLAG_WRITE_THROUGH");
        PrintFlagLine(flags, FILE_FLAG_NO_BUFFERING, "FILE_FLAG_NO_BUFFERING");
    }
    HANDLE file = CreateFileA(settings.fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        printf("ERROR: An error was detected while trying to open file: %s.\n", settings.fileName);
        PrintIndentedReturnCode(code);
        ReleasePage(page, settings);
        return;
    }

    OVERLAPPED request = {};
    int64_t offset = 0;
    for (int32_t i = 0; i < pageCount; ++i, offset += settings.pageSize) {
        SetRequestOffset(&request, offset);
        if (settings.detailedDebug) {
            printf("DEBUG: Writing %d bytes beginning with offset %" PRId64 ".\n", settings.pageSize,
                   offset);
        }
        if (!WritePage(file, page, static_cast<DWORD>(settings.pageSize), &request, settings)) {
            AbandonPageRun(file, page, settings);
            return;
        }
    }

    if (!CloseHandle(file)) {
        const DWORD code = GetLastError();
        if (code == ERROR_INVALID_HANDLE) {
            printf("ERROR: Invalid handle detected while closing file: %s\n", settings.fileName);
        } else {
            printf("ERROR: Unknown error detected while closing file: %s\n", settings.fileName);
            PrintIndentedReturnCode(code);
        }
        ReleasePage(page, settings);
        return;
    }
    LARGE_INTEGER stop;
    QueryPerformanceCounter(&stop);
    PrintReport("Write Throughput: %f MB/Sec.\n", settings.fileSize, start, stop);
    ReleasePage(page, settings);
}
