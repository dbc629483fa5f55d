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
