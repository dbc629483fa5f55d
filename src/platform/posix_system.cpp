// Memory, system information, the performance counter and string copy of
// the POSIX stand-in.
//
// Memory comes from anonymous mappings, which are zero-filled and aligned to
// the system page. The stand-in keeps the mappings it gave out, so that a
// release of anything else fails and touches nothing.
#include "platform/platform.h"

#ifndef _WIN32

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <unordered_map>

#include "platform/posix_internal.h"

namespace {

constexpr DWORD MEM_RELEASE_TYPE = 0x8000u;
constexpr LONGLONG kNanosecondsPerSecond = 1000000000;

std::unordered_map<uintptr_t, size_t>& Allocations() {
    static std::unordered_map<uintptr_t, size_t> allocations;
    return allocations;
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
    Allocations()[reinterpret_cast<uintptr_t>(memory)] = RoundToPages(size);
    return memory;
}

BOOL VirtualFree(LPVOID address, size_t size, DWORD freeType) {
    auto found = Allocations().find(reinterpret_cast<uintptr_t>(address));
    if (found == Allocations().end()) return FailWith(ERROR_INVALID_ADDRESS);
    const size_t allocated = found->second;
    if (freeType == MEM_DECOMMIT) {
        const size_t decommitted = RoundToPages(size);
        if (decommitted > allocated) return FailWith(ERROR_INVALID_PARAMETER);
        if (decommitted != 0 && decommitted < allocated) {
            // Part of the block: its pages go back and read as zero again.
            madvise(address, decommitted, MADV_DONTNEED);
            return TRUE;
        }
    } else if (freeType != MEM_RELEASE_TYPE || size != 0) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    if (munmap(address, allocated) != 0) return FailWithErrno();
    Allocations().erase(found);
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
