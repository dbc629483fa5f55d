// Random read: as many requests as the file has pages, each page chosen at
// random; with -unbuffered, the "Read with History" variant.
#include <cstdio>

#include "measure/random_pages.h"
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
        PrintReturnCode(code);
        return;
    }
    void* page = AllocatePage(settings);
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
        DWORD bytes;
        if (!ReadRandomPage(file, page, &request, pageNumber, settings, &bytes)) {
            AbandonPageRun(file, page, settings);
            return;
        }
    }

    FinishReadRun(file, page, settings, "Read Throughput: %f MB/Sec.\n", start);
}
