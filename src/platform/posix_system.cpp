// Memory, system information, the performance counter and string copy of
// the POSIX stand-in.
//
// Memory comes from anonymous mappings, which are zero-filled and aligned to
// the system page. The stand-in keeps the blocks it gave out: decommitting
// pages of a block returns them to the system and leaves their addresses
// reserved, as the platform does, and a release of any address outside
// every block fails and touches nothing.
#include "platform/platform.h"

#ifndef _WIN32

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <map>

#include "platform/posix_internal.h"

namespace {

constexpr DWORD MEM_RELEASE_TYPE = 0x8000u;
constexpr LONGLONG kNanosecondsPerSecond = 1000000000;

// The blocks given out, by start address, with their sizes in whole pages.
std::map<uintptr_t, size_t>& Blocks() {
    static std::map<uintptr_t, size_t> blocks;
    return blocks;
}

size_t RoundToPages(size_t size) {
    const size_t page = SystemPageSize();
    return (size + page - 1) / page * page;
}

}  // namespace

size_t SystemPageSize() {
    static const size_t pageSize = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return pageSize;
}

LPVOID VirtualAlloc(LPVOID address, size_t size, DWORD allocationType, DWORD protect) {
    if (address != nullptr || size == 0 || (allocationType & MEM_COMMIT) == 0 ||
        protect != PAGE_READWRITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Blocks()[reinterpret_cast<uintptr_t>(memory)] = RoundToPages(size);
    return memory;
}

BOOL VirtualFree(LPVOID address, size_t size, DWORD freeType) {
    if (address == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
    const uintptr_t at = reinterpret_cast<uintptr_t>(address);
    auto block = Blocks().upper_bound(at);
    if (block == Blocks().begin()) return FailWith(ERROR_INVALID_ADDRESS);
    --block;
    const uintptr_t start = block->first;
    const uintptr_t end = start + block->second;
    if (at >= end) return FailWith(ERROR_INVALID_ADDRESS);

    if (freeType == MEM_RELEASE_TYPE) {
        if (size != 0 || at != start) return FailWith(ERROR_INVALID_PARAMETER);
        if (munmap(address, block->second) != 0) return FailWithErrno();
        Blocks().erase(block);
        return TRUE;
    }
    if (freeType != MEM_DECOMMIT) return FailWith(ERROR_INVALID_PARAMETER);
    // The pages that [address, address + size) touches; size 0 means the
    // whole block from its start.
    const uintptr_t page = SystemPageSize();
    const uintptr_t first = at / page * page;
    const uintptr_t last = size == 0 ? end : (at + size + page - 1) / page * page;
    if ((size == 0 && at != start) || last > end) return FailWith(ERROR_INVALID_PARAMETER);
    void* pages = reinterpret_cast<void*>(first);
    if (madvise(pages, last - first, MADV_DONTNEED) != 0 ||
        mprotect(pages, last - first, PROT_NONE) != 0) {
        return FailWithErrno();
    }
    return TRUE;
}

void GetSystemInfo(SYSTEM_INFO* systemInfo) {
    *systemInfo = SYSTEM_INFO{};
    systemInfo->dwPageSize = static_cast<DWORD>(SystemPageSize());
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    count->QuadPart = static_cast<LONGLONG>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = kNanosecondsPerSecond;
    return TRUE;
}

char* lstrcpyA(char* destination, const char* source) {
    return std::strcpy(destination, source);
}

#endif  // _WIN32
