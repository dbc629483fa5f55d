// The operating-system operations the program uses: files, memory, system
// information and the performance counter.
//
// On Windows these are the real kernel services. Everywhere else the same
// names, types and signatures are provided by our own POSIX stand-in
// (posix_platform.cpp), which behaves the way the program expects the real
// services to behave.
#pragma once

#include <cinttypes>
#include <cstddef>
#include <cstdint>

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#else  // the POSIX stand-in

typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef uint32_t DWORD;
typedef int BOOL;
typedef uint64_t ULONG_PTR;
typedef uint64_t ULONGLONG;
typedef int64_t LONGLONG;
typedef int32_t LONG;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    };
    LONGLONG QuadPart;
};

struct OVERLAPPED {
    ULONG_PTR Internal;      // completion status of the request
    ULONG_PTR InternalHigh;  // bytes transferred by the request
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};

union FILE_SEGMENT_ELEMENT {
    void* Buffer;
    ULONGLONG Alignment;
};

struct SYSTEM_INFO {
    DWORD dwPageSize;
};

struct SECURITY_ATTRIBUTES;

// Access rights.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

// Share modes.
constexpr DWORD FILE_SHARE_READ = 0x00000001u;

// Dispositions.
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;

// Flags and attributes.
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;
constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000u;
constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000u;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000u;

// Memory.
constexpr DWORD MEM_COMMIT = 0x1000u;
constexpr DWORD MEM_DECOMMIT = 0x4000u;
constexpr DWORD PAGE_READWRITE = 0x04u;

// Error codes.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_INVALID_ADDRESS = 487;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_NOACCESS = 998;
constexpr DWORD ERROR_IO_DEVICE = 1117;

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                   SECURITY_ATTRIBUTES* securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead,
              OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten,
               OVERLAPPED* overlapped);
BOOL ReadFileScatter(HANDLE file, FILE_SEGMENT_ELEMENT segments[], DWORD bytesToRead,
                     DWORD* reserved, OVERLAPPED* overlapped);
BOOL WriteFileGather(HANDLE file, FILE_SEGMENT_ELEMENT segments[], DWORD bytesToWrite,
                     DWORD* reserved, OVERLAPPED* overlapped);
BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* bytesTransferred,
                         BOOL wait);
BOOL CloseHandle(HANDLE object);
DWORD GetLastError();
void SetLastError(DWORD code);

LPVOID VirtualAlloc(LPVOID address, size_t size, DWORD allocationType, DWORD protect);
BOOL VirtualFree(LPVOID address, size_t size, DWORD freeType);
void GetSystemInfo(SYSTEM_INFO* systemInfo);

BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

char* lstrcpyA(char* destination, const char* source);

#endif  // _WIN32
