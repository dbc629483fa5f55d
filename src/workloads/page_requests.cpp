#include "workloads/page_requests.h"

#include <cinttypes>
#include <cstdio>

void WarnNumPagesIgnored(const RunSettings& settings) {
    if (settings.numPages == 0) return;
    printf("WARNING: Option numpages specified without SGIO option specified.\n");
    printf("         Option numpages will be ignored.\n");
}

int64_t CountPages(const RunSettings& settings) { return settings.fileSize / settings.pageSize; }

bool PageCountFits(const RunSettings& settings, int64_t pageCount, int64_t maxPages) {
    if (pageCount <= maxPages) return true;
    printf("ERROR: File size %" PRId64 " holds %" PRId64
           " pages of %d bytes; this workload takes at most %" PRId64 " pages.\n",
           settings.fileSize, pageCount, settings.pageSize, maxPages);
    return false;
}

bool IsWholePages(const RunSettings& settings) {
    return settings.fileSize % settings.pageSize == 0;
}

bool ReadPreamble(const RunSettings& settings, int64_t maxPages, int32_t* pageCount) {
    WarnNumPagesIgnored(settings);
    const int64_t pages = CountPages(settings);
    if (!PageCountFits(settings, pages, maxPages)) return false;
    *pageCount = static_cast<int32_t>(pages);
    if (settings.debug) printf("DEBUG: Number of pages to be read: %d\n", *pageCount);
    if (!IsWholePages(settings)) {
        printf("ERROR: File size %" PRId64 " is not a multiple of the page size %d.\n",
               settings.fileSize, settings.pageSize);
        return false;
    }
    return true;
}

void PrintFlagLine(DWORD flags, DWORD flag, const char* flagName) {
    if ((flags & flag) != 0) printf("DEBUG: flag: %s present:\n", flagName);
}

void SetRequestOffset(OVERLAPPED* request, int64_t offset) {
    const uint64_t bits = static_cast<uint64_t>(offset);
    request->Offset = static_cast<DWORD>(bits & 0xFFFFFFFFu);
    request->OffsetHigh = static_cast<DWORD>(bits >> 32);
    request->hEvent = nullptr;
}

DWORD AwaitRequest(HANDLE file, OVERLAPPED* request, DWORD* bytes) {
    return GetOverlappedResult(file, request, bytes, TRUE) ? ERROR_SUCCESS : GetLastError();
}
