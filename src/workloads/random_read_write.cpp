// Random read-write: for each request a page chosen at random is read and
// the bytes just read are written back at the same offset, so the file's
// length and content never change.
#include <cinttypes>
#include <cstdio>

#include "measure/random_pages.h"
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
        PrintReturnCode(code);
        return;
    }
    void* page = AllocatePage(settings);
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
        DWORD bytesRead;
        if (!ReadRandomPage(file, page, &request, pageNumber, settings, &bytesRead)) {
            AbandonPageRun(file, page, settings);
            return;
        }
        if (bytesRead == 0) continue;  // nothing was read, so nothing goes back

        if (settings.debug) printf("DEBUG: Page Number %d will be written.\n", pageNumber);
        // Only the bytes the read returned go back, so a short last page
        // keeps its length.
        if (!WritePage(file, page, bytesRead, &request, settings)) {
            AbandonPageRun(file, page, settings);
            return;
        }
    }

    FinishReadRun(file, page, settings, "Read/Write Throughput: %f MB/Sec.\n", start);
}
