// Random read-write: for each request a page chosen at random is read and
// the bytes just read are written back at the same offset, so the file's
// length and content never change.
#include <cinttypes>
#include <cstdio>

#include "measure/random_pages.h"
#include "measure/report.h"
#include "platform/platform.h"
#include "workloads/page_requests.h"
#include "workloads/workloads.h"

void RunRandomReadWrite(const RunSettings& settings) {
    const int64_t pages = CountPages(settings);
    if (!PageCountFits(settings, pages, kMaxRandomPages)) return;
    const int32_t pageCount = static_cast<int32_t>(pages);
    if (settings.debug) printf("DEBUG: Number of pages to be read and written: %d\n", pageCount);
    if (!IsWholePages(settings)) {
        printf("ERROR: File size %" PRId64 " is not a multiple of the page size %d.\n",
               settings.fileSize, settings.pageSize);
        return;
    }
    printf("Random Reads and Writes: Reading and Writing %d pages to file: %s with a %d page size.\n",
           pageCount, settings.fileName, settings.pageSize);
    SeedRandomPages(pageCount, settings.detailedDebug);

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    HANDLE file = CreateFileA(settings.fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, settings.accessHint | FILE_FLAG_OVERLAPPED,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        printf("ERROR: Unable to open file %s for random reading/writing.\n", settings.fileName);
        printf("ERROR: Return code is: %d.\n", static_cast<int>(code));
        return;
    }
    const size_t pageBytes = static_cast<size_t>(settings.pageSize);
    void* page = VirtualAlloc(nullptr, pageBytes, MEM_COMMIT, PAGE_READWRITE);
    if (page == nullptr) {
        CloseHandle(file);
        printf("ERROR: Unable to allocate buffer for random reading/writing.\n");
        return;
    }

    OVERLAPPED request = {};
    for (int32_t i = 0; i < pageCount; ++i) {
        const int32_t pageNumber = PickRandomPage(pageCount, i, settings.detailedDebug);
        if (settings.debug) printf("DEBUG: Page Number %d will be read.\n", pageNumber);
        SetRequestOffset(&request, PageOffset(pageNumber, settings.pageSize));
        if (settings.detailedDebug) {
            printf("DEBUG: Updating page %d\n", pageNumber);
            printf("DEBUG: Randomly reading page %d from file: %s\n", pageNumber, settings.fileName);
        }
        DWORD bytesRead = 0;
        DWORD status = IssuedStatus(
            ReadFile(file, page, static_cast<DWORD>(settings.pageSize), &bytesRead, &request));
        if (status == ERROR_IO_PENDING) {
            if (settings.debug) {
                printf("DEBUG: Pending I/O while randomly reading page %d from file: %s\n",
                       pageNumber, settings.fileName);
            }
            status = AwaitRequest(file, &request, &bytesRead);
        }
        if (status != ERROR_SUCCESS) {
            printf("ERROR: An error was detected while randomly reading page %d from file: %s\n",
                   pageNumber, settings.fileName);
            printf("       return code is: %d\n", static_cast<int>(status));
            CloseHandle(file);
            VirtualFree(page, pageBytes, MEM_DECOMMIT);
            return;
        }
        if (bytesRead == 0) {
            // Nothing was read, so there is nothing to write back.
            printf("ERROR: Zero bytes were read while randomly reading page %d from file: %s\n",
                   pageNumber, settings.fileName);
            continue;
        }

        if (settings.debug) printf("DEBUG: Page Number %d will be written.\n", pageNumber);
        // Only the bytes the read returned go back, so a short last page
        // keeps its length.
        DWORD bytesWritten = 0;
        status = IssuedStatus(WriteFile(file, page, bytesRead, &bytesWritten, &request));
        if (status == ERROR_IO_PENDING) {
            if (settings.debug) printf("DEBUG: Pending I/O for file: %s\n", settings.fileName);
            status = AwaitRequest(file, &request, &bytesWritten);
        }
        if (status != ERROR_SUCCESS) {
            printf("ERROR: An error was detected while writing %d bytes to file: %s\n",
                   settings.pageSize, settings.fileName);
            printf("       return code is: %d\n", static_cast<int>(status));
            CloseHandle(file);
            VirtualFree(page, pageBytes, MEM_DECOMMIT);
            return;
        }
        if (bytesWritten == 0) {
            printf("ERROR: Zero bytes were written while writing %d bytes to file: %s\n",
                   settings.pageSize, settings.fileName);
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
    PrintReport("Read/Write Throughput: %f MB/Sec.\n", settings.fileSize, start, stop);
    VirtualFree(page, pageBytes, MEM_DECOMMIT);
}
