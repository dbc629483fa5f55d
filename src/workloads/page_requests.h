// Steps that the page-by-page workloads share: the page count and its
// checks, the debug lines of the open flags, and the issue-and-wait rule of
// every request.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "run_settings.h"

// The most pages a run can count: sequential runs hold the count in a signed
// 32-bit integer; random runs also need count + 1 to fit one.
constexpr int64_t kMaxSequentialPages = INT32_MAX;
constexpr int64_t kMaxRandomPages = INT32_MAX - 1;

// The warning pair for a numpages value that a workload without -sgio
// ignores; prints nothing when numpages was not given.
void WarnNumPagesIgnored(const RunSettings& settings);

// The number of whole pages in the file size, as a 64-bit count.
int64_t CountPages(const RunSettings& settings);

// Whether pageCount pages fit under maxPages; prints the refusal when not.
bool PageCountFits(const RunSettings& settings, int64_t pageCount, int64_t maxPages);

// Whether the file size is a whole number of pages.
bool IsWholePages(const RunSettings& settings);

// The steps that open both plain reads: the numpages warning, the page
// count with its debug line, and the check that the file size is a whole
// number of pages. Returns false, having printed why, when the read must
// not go on.
bool ReadPreamble(const RunSettings& settings, int64_t maxPages, int32_t* pageCount);

// Prints the debug line for flag when flags hold it.
void PrintFlagLine(DWORD flags, DWORD flag, const char* flagName);

// Points request at byte offset of the file.
void SetRequestOffset(OVERLAPPED* request, int64_t offset);

// The status of a request just issued: ERROR_SUCCESS when it completed,
// ERROR_IO_PENDING when it must be waited for, or the code of its failure.
inline DWORD IssuedStatus(BOOL issued) { return issued ? ERROR_SUCCESS : GetLastError(); }

// Waits for a pending request; ERROR_SUCCESS, with its byte count in bytes,
// or the code of its failure.
DWORD AwaitRequest(HANDLE file, OVERLAPPED* request, DWORD* bytes);

// The two forms of the line that follows an error line with its code.
void PrintReturnCode(DWORD code);          // "ERROR: Return code is: N."
void PrintIndentedReturnCode(DWORD code);  // "       return code is: N"

// One page buffer of the page size, as the page-by-page workloads use.
void* AllocatePage(const RunSettings& settings);
void ReleasePage(void* page, const RunSettings& settings);

// The read of one randomly chosen page, as both random workloads make it,
// with their pending, failure and zero-bytes lines. Returns false when the
// read failed; bytes receives the count read.
bool ReadRandomPage(HANDLE file, void* page, OVERLAPPED* request, int32_t pageNumber,
                    const RunSettings& settings, DWORD* bytes);

// The write of count bytes from page, as the sequential write and the random
// read-write make it, with their pending, failure and zero-bytes lines.
// Returns false when the write failed.
bool WritePage(HANDLE file, const void* page, DWORD count, OVERLAPPED* request,
               const RunSettings& settings);

// Ends a page-by-page run after a failed request: closes the file (its
// result ignored) and releases the page buffer.
void AbandonPageRun(HANDLE file, void* page, const RunSettings& settings);

// Ends a read run after its last request: closes the file and, when that
// succeeds, takes the stop reading and prints the report with label. The
// page buffer is released either way.
void FinishReadRun(HANDLE file, void* page, const RunSettings& settings, const char* label,
                   const LARGE_INTEGER& start);
