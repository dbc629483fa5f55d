#include "fake_platform.h"

#include <cstdlib>
#include <cstring>

namespace {

FakePlatform* state = nullptr;
DWORD lastError = 0;

BOOL Fail(DWORD code) {
    lastError = code;
    return FALSE;
}

int64_t OffsetOf(const OVERLAPPED* request) {
    return static_cast<int64_t>((static_cast<uint64_t>(request->OffsetHigh) << 32) | request->Offset);
}

BOOL Request(char kind, HANDLE file, const void* buffer, DWORD count, DWORD* bytes,
             OVERLAPPED* request) {
    FakePlatform& fake = Fake();
    if (bytes != nullptr) *bytes = 0;
    if (fake.openHandles.count(reinterpret_cast<uintptr_t>(file)) == 0) return Fail(ERROR_INVALID_HANDLE);
    fake.calls += kind;
    const size_t number = fake.requests.size();
    fake.requests.push_back(FakeRequest{kind, OffsetOf(request), count, buffer});
    FakeResult result;
    result.bytes = count;
    auto scripted = fake.results.find(number);
    if (scripted != fake.results.end()) result = scripted->second;
    switch (result.outcome) {
        case FakeOutcome::Complete:
            if (bytes != nullptr) *bytes = result.bytes;
            return TRUE;
        case FakeOutcome::Fail:
            return Fail(result.code);
        case FakeOutcome::PendingComplete:
        case FakeOutcome::PendingFail:
            fake.pending = result;
            return Fail(ERROR_IO_PENDING);
    }
    return FALSE;
}

}  // namespace

FakePlatform& Fake() {
    if (state == nullptr) state = new FakePlatform();
    return *state;
}

void ResetFakePlatform() {
    // Buffers that a run lost hold of stay reachable from here.
    std::vector<void*> kept;
    if (state != nullptr) {
        kept = state->allocationsKept;
        for (auto& live : state->liveAllocations) kept.push_back(live.first);
        delete state;
    }
    state = new FakePlatform();
    state->allocationsKept = kept;
    lastError = 0;
}

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                   SECURITY_ATTRIBUTES*, DWORD creationDisposition, DWORD flagsAndAttributes,
                   HANDLE) {
    FakePlatform& fake = Fake();
    fake.calls += 'O';
    fake.opens.push_back(FakeOpen{fileName, desiredAccess, shareMode, creationDisposition,
                                  flagsAndAttributes});
    if (fake.openFailure != 0) {
        lastError = fake.openFailure;
        return INVALID_HANDLE_VALUE;
    }
    const uintptr_t handle = fake.nextHandle;
    fake.nextHandle += 4;
    fake.openHandles.insert(handle);
    return reinterpret_cast<HANDLE>(handle);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead,
              OVERLAPPED* overlapped) {
    return Request('R', file, buffer, bytesToRead, bytesRead, overlapped);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten,
               OVERLAPPED* overlapped) {
    return Request('W', file, buffer, bytesToWrite, bytesWritten, overlapped);
}

BOOL ReadFileScatter(HANDLE file, FILE_SEGMENT_ELEMENT segments[], DWORD bytesToRead, DWORD*,
                     OVERLAPPED* overlapped) {
    return Request('S', file, segments, bytesToRead, nullptr, overlapped);
}

BOOL WriteFileGather(HANDLE file, FILE_SEGMENT_ELEMENT segments[], DWORD bytesToWrite, DWORD*,
                     OVERLAPPED* overlapped) {
    return Request('G', file, segments, bytesToWrite, nullptr, overlapped);
}

BOOL GetOverlappedResult(HANDLE file, OVERLAPPED*, DWORD* bytesTransferred, BOOL) {
    FakePlatform& fake = Fake();
    ++fake.waits;
    fake.calls += 'P';
    if (fake.openHandles.count(reinterpret_cast<uintptr_t>(file)) == 0) return Fail(ERROR_INVALID_HANDLE);
    if (fake.pending.outcome == FakeOutcome::PendingFail) return Fail(fake.pending.code);
    if (bytesTransferred != nullptr) *bytesTransferred = fake.pending.bytes;
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    FakePlatform& fake = Fake();
    ++fake.closes;
    fake.calls += 'C';
    if (fake.openHandles.erase(reinterpret_cast<uintptr_t>(object)) == 0) return Fail(ERROR_INVALID_HANDLE);
    if (fake.closeFailure != 0 && !fake.closeFailed) {
        fake.closeFailed = true;
        ++fake.failedCloses;
        return Fail(fake.closeFailure);
    }
    return TRUE;
}

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD code) { lastError = code; }

LPVOID VirtualAlloc(LPVOID, size_t size, DWORD, DWORD) {
    FakePlatform& fake = Fake();
    fake.calls += 'A';
    const int number = static_cast<int>(fake.allocationSizes.size());
    fake.allocationSizes.push_back(size);
    if (fake.allocationFailures.count(number) != 0) {
        lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    const size_t page = fake.systemPageSize;
    const size_t rounded = (size + page - 1) / page * page;
    void* memory = std::aligned_alloc(page, rounded);
    std::memset(memory, 0, rounded);
    fake.liveAllocations[memory] = size;
    return memory;
}

BOOL VirtualFree(LPVOID address, size_t size, DWORD) {
    FakePlatform& fake = Fake();
    fake.calls += 'F';
    const int number = static_cast<int>(fake.frees.size());
    fake.frees.emplace_back(address, size);
    auto scripted = fake.freeFailures.find(number);
    if (scripted != fake.freeFailures.end()) return Fail(scripted->second);
    auto live = fake.liveAllocations.find(address);
    if (live == fake.liveAllocations.end()) return Fail(ERROR_INVALID_ADDRESS);
    std::free(address);
    fake.liveAllocations.erase(live);
    return TRUE;
}

void GetSystemInfo(SYSTEM_INFO* systemInfo) {
    *systemInfo = SYSTEM_INFO{};
    systemInfo->dwPageSize = Fake().systemPageSize;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    FakePlatform& fake = Fake();
    ++fake.counterReadings;
    fake.calls += 'Q';
    count->QuadPart = fake.counter;
    fake.counter += fake.counterStep;
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    FakePlatform& fake = Fake();
    ++fake.frequencyQueries;
    frequency->QuadPart = fake.frequency;
    return fake.frequency != 0;
}

char* lstrcpyA(char* destination, const char* source) { return std::strcpy(destination, source); }
