// Random read: as many requests as the file has pages, each page chosen at
// random; with -unbuffered, the "Read with History" variant.
#include <cstdio>

#include "measure/random_pages.h"
#include "measure/report.h"
#include "platform/platform.h"
#include "workloads/page_requests.h"
#include "workloads/workloads.h"

void RunRandomRead(const RunSettings& settings) {
    int32_t pageCount;
    if (!ReadPreamble(settings, kMaxRandomPages, &pageCount)) return;
    SeedRandomPages(pageCount, settings.detailedDebug);

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    DWORD flags;
    if (settings.unbuffered) {
        flags = FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL;
        printf("Read with History: Reading %d pages from file: %s with a %d page size.\n", pageCount,
               settings.fileName, settings.pageSize);
    } else {
        flags = settings.accessHint | FILE_FLAG_OVERLAPPED;
        printf("Random Reads: Reading %d pages from file: %s with a %d page size.\n", pageCount,
               settings.fileName, settings.pageSize);
    }
    HANDLE file = CreateFileA(settings.fileName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        printf("ERROR: Unable to open file %s for random reading.\n", settings.fileName);
        printf("ERROR: Return code is: %d.\n", static_cast<int>(code));
        return;
    }
    const size_t pageBytes = static_cast<size_t>(settings.pageSize);
    void* page = VirtualAlloc(nullptr, pageBytes, MEM_COMMIT, PAGE_READWRITE);
    if (page == nullptr) {
        CloseHandle(file);
        printf("ERROR: Unable to allocate buffer for random reading.\n");
        return;
    }

    OVERLAPPED request = {};
    for (int32_t i = 0; i < pageCount; ++i) {
        const int32_t pageNumber = PickRandomPage(pageCount, i, settings.detailedDebug);
        if (settings.debug) printf("DEBUG: Page Number %d will be read.\n", pageNumber);
        SetRequestOffset(&request, PageOffset(pageNumber, settings.pageSize));
        if (settings.detailedDebug) {
            printf("DEBUG: Randomly reading page %d from file: %s\n", pageNumber, settings.fileName);
        }
        DWORD bytes = 0;
        DWORD status = IssuedStatus(
            ReadFile(file, page, static_cast<DWORD>(settings.pageSize), &bytes, &request));
        if (status == ERROR_IO_PENDING) {
            if (settings.debug) {
                printf("DEBUG: Pending I/O while randomly reading page %d from file: %s\n",
                       pageNumber, settings.fileName);
            }
            status = AwaitRequest(file, &request, &bytes);
        }
        if (status != ERROR_SUCCESS) {
            printf("ERROR: An error was detected while randomly reading page %d from file: %s\n",
                   pageNumber, settings.fileName);
            printf("       return code is: %d\n", static_cast<int>(status));
            CloseHandle(file);
            VirtualFree(page, pageBytes, MEM_DECOMMIT);
            return;
        }
        if (bytes == 0) {
            printf("ERROR: Zero bytes were read while randomly reading page %d from file: %s\n",
                   pageNumber, settings.fileName);
        }
    }

    if (!CloseHandle(file)) {
        const DWORD code = GetLastError();
        printf("ERROR: An error was detected while closing file: %s\n", settings.fileName);
        printf("       return code is: %d\n", static_cast<int>(code));
        VirtualFree(page, pageBytes, MEM_DECOMMIT);
        return;
    }
    LARGE_INTEGER stop;
    QueryPerformanceCounter(&stop);
    PrintReport("Read Throughput: %f MB/Sec.\n", settings.fileSize, start, stop);
    VirtualFree(page, pageBytes, MEM_DECOMMIT);
}
