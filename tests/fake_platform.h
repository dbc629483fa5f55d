// A scripted fake of the operating-system operations, linked into the unit
// tests in place of the platform. A test scripts what the operations return
// and reads back what the program asked of them.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

// How one request (a read, write, scatter or gather) turns out.
enum class FakeOutcome {
    Complete,         // the call returns TRUE
    Fail,             // the call returns FALSE with `code`
    PendingComplete,  // FALSE with 997, then the wait returns TRUE
    PendingFail,      // FALSE with 997, then the wait returns FALSE with `code`
};

struct FakeResult {
    FakeOutcome outcome = FakeOutcome::Complete;
    DWORD bytes = 0;  // bytes transferred when it succeeds
    DWORD code = 0;   // error code when it fails
};

struct FakeOpen {
    std::string fileName;
    DWORD access;
    DWORD shareMode;
    DWORD disposition;
    DWORD flags;
};

struct FakeRequest {
    char kind;  // 'R' read, 'W' write, 'S' scatter, 'G' gather
    int64_t offset;
    DWORD bytes;
    const void* buffer;
};

struct FakePlatform {
    // The script.
    DWORD openFailure = 0;                   // CreateFileA fails with this code
    std::map<size_t, FakeResult> results;    // by request number; others complete in full
    DWORD closeFailure = 0;                  // the first CloseHandle fails with this code
    std::set<int> allocationFailures;        // VirtualAlloc calls (0-based) that return null
    std::map<int, DWORD> freeFailures;       // VirtualFree calls (0-based) that fail, with code
    DWORD systemPageSize = 4096;
    LONGLONG frequency = 1000000;
    LONGLONG counterStep = 500000;           // each counter reading adds this

    // What the program did.
    std::vector<FakeOpen> opens;
    std::vector<FakeRequest> requests;
    int waits = 0;
    int closes = 0;
    int failedCloses = 0;
    std::set<uintptr_t> openHandles;
    std::map<void*, size_t> liveAllocations;
    std::vector<size_t> allocationSizes;
    std::vector<std::pair<void*, size_t>> frees;
    int frequencyQueries = 0;
    int counterReadings = 0;
    // One letter a call, in order: O open, R W S G requests, P wait, C close,
    // A allocation, F free, Q counter reading.
    std::string calls;

    // Internal state.
    LONGLONG counter = 0;
    uintptr_t nextHandle = 0x100;
    bool closeFailed = false;
    FakeResult pending;
    std::vector<void*> allocationsKept;  // buffers the program lost hold of
};

// The fake's state; tests start from ResetFakePlatform().
FakePlatform& Fake();
void ResetFakePlatform();
