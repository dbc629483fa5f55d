#include "workloads/page_requests.h"

#include <cinttypes>
#include <cstdio>

#include "measure/report.h"

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

void PrintReturnCode(DWORD code) { printf("ERROR: Return code is: %d.\n", static_cast<int>(code)); }

void PrintIndentedReturnCode(DWORD code) {
    printf("       return code is: %d\n", static_cast<int>(code));
}

void* AllocatePage(const RunSettings& settings) {
    return VirtualAlloc(nullptr, static_cast<size_t>(settings.pageSize), MEM_COMMIT, PAGE_READWRITE);
}

void ReleasePage(void* page, const RunSettings& settings) {
    VirtualFree(page, static_cast<size_t>(settings.pageSize), MEM_DECOMMIT);
}

void AbandonPageRun(HANDLE file, void* page, const RunSettings& settings) {
    CloseHandle(file);
    ReleasePage(page, settings);
}

void FinishReadRun(HANDLE file, void* page, const RunSettings& settings, const char* label,
                   const LARGE_INTEGER& start) {
    if (CloseHandle(file)) {
        LARGE_INTEGER stop;
        QueryPerformanceCounter(&stop);
        PrintReport(label, settings.fileSize, start, stop);
    } else {
        const DWORD code = GetLastError();
        printf("ERROR: An error was detected while closing file: %s\n", settings.fileName);
        PrintIndentedReturnCode(code);
    }
    ReleasePage(page, settings);
}

bool ReadRandomPage(HANDLE file, void* page, OVERLAPPED* request, int32_t pageNumber,
                    const RunSettings& settings, DWORD* bytes) {
    *bytes = 0;
    DWORD status =
        IssuedStatus(ReadFile(file, page, static_cast<DWORD>(settings.pageSize), bytes, request));
    if (status == ERROR_IO_PENDING) {
        if (settings.debug) {
            printf("DEBUG: Pending I/O while randomly reading page %d from file: %s\n", pageNumber,
                   settings.fileName);
        }
        status = AwaitRequest(file, request, bytes);
    }
    if (status != ERROR_SUCCESS) {
        printf("ERROR: An error was detected while randomly reading page %d from file: %s\n",
               pageNumber, settings.fileName);
        PrintIndentedReturnCode(status);
        return false;
    }
    if (*bytes == 0) {
        printf("ERROR: Zero bytes were read while randomly reading page %d from file: %s\n",
               pageNumber, settings.fileName);
    }
    return true;
}

bool WritePage(HANDLE file, const void* page, DWORD count, OVERLAPPED* request,
               const RunSettings& settings) {
    DWORD bytes = 0;
    DWORD status = IssuedStatus(WriteFile(file, page, count, &bytes, request));
    if (status == ERROR_IO_PENDING) {
        if (settings.debug) printf("DEBUG: Pending I/O for file: %s\n", settings.fileName);
        status = AwaitRequest(file, request, &bytes);
    }
    if (status != ERROR_SUCCESS) {
        printf("ERROR: An error was detected while writing %d bytes to file: %s\n",
               settings.pageSize, settings.fileName);
        PrintIndentedReturnCode(status);
        return false;
    }
    if (bytes == 0) {
        printf("ERROR: Zero bytes were written while writing %d bytes to file: %s\n",
               settings.pageSize, settings.fileName);
    }
    return true;
}
