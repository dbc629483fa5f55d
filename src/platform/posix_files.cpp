// File operations of the POSIX stand-in.
//
// A handle names a slot of a small table of open files, so that every
// operation can tell a valid handle from a stale or made-up one with one
// array index. Every request is positioned at the offset its OVERLAPPED
// carries and is carried out before the call returns; its result is also
// left in the OVERLAPPED, where GetOverlappedResult finds it.
#include "platform/platform.h"

#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/posix_internal.h"

namespace {

struct OpenFile {
    bool inUse;
    int fd;
    DWORD access;
    DWORD flags;
};

constexpr int kMaxOpenFiles = 64;
constexpr uintptr_t kHandleStep = 4;
OpenFile openFiles[kMaxOpenFiles];

// The direct-I/O alignment that a continued transfer has to keep.
constexpr uint64_t kDirectAlignment = 512;

HANDLE HandleForSlot(int slot) {
    return reinterpret_cast<HANDLE>((static_cast<uintptr_t>(slot) + 1) * kHandleStep);
}

OpenFile* LookUp(HANDLE handle) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value % kHandleStep != 0) return nullptr;
    const uintptr_t slot = value / kHandleStep - 1;  // wraps for 0
    if (slot >= static_cast<uintptr_t>(kMaxOpenFiles)) return nullptr;
    OpenFile* file = &openFiles[slot];
    return file->inUse ? file : nullptr;
}

int FreeSlot() {
    for (int slot = 0; slot < kMaxOpenFiles; ++slot) {
        if (!openFiles[slot].inUse) return slot;
    }
    return -1;
}

// A missing file is 2 only where its directory exists; a missing directory
// on the path is 3.
DWORD MissingFileCode(const char* fileName) {
    const char* slash = std::strrchr(fileName, '/');
    if (slash == nullptr || slash == fileName) return ERROR_FILE_NOT_FOUND;
    const std::string directory(fileName, static_cast<size_t>(slash - fileName));
    struct stat status;
    if (stat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

HANDLE FailOpen(int fd, DWORD code) {
    if (fd >= 0) close(fd);
    SetLastError(code);
    return INVALID_HANDLE_VALUE;
}

// Readers that let others read share the file; any other open takes it whole.
int LockOperation(DWORD access, DWORD shareMode) {
    const bool readOnly = (access & GENERIC_WRITE) == 0;
    const bool sharesReading = (shareMode & FILE_SHARE_READ) != 0;
    return (readOnly && sharesReading ? LOCK_SH : LOCK_EX) | LOCK_NB;
}

void IgnoreFileSizeSignal() {
    static bool ignored = false;
    if (!ignored) {
        // A write past the file-size limit then fails with EFBIG instead of
        // killing the process.
        signal(SIGXFSZ, SIG_IGN);
        ignored = true;
    }
}

int64_t RequestOffset(const OVERLAPPED* request) {
    return static_cast<int64_t>((static_cast<uint64_t>(request->OffsetHigh) << 32) |
                                request->Offset);
}

bool IsDirect(const OpenFile* file) { return (file->flags & FILE_FLAG_NO_BUFFERING) != 0; }

// Records the outcome of a request where the caller and a later
// GetOverlappedResult find it. On an overlapped handle a request that was
// carried out reports ERROR_IO_PENDING, as the platform does for transfers
// it does not finish inside the call, and GetOverlappedResult then gives its
// outcome; a request refused for its parameters fails at once.
BOOL Complete(const OpenFile* file, OVERLAPPED* request, DWORD* bytesOut, DWORD status,
              size_t bytes) {
    if (request != nullptr) {
        request->Internal = status;
        request->InternalHigh = bytes;
    }
    const bool refused = status == ERROR_INVALID_PARAMETER || status == ERROR_NOACCESS;
    if ((file->flags & FILE_FLAG_OVERLAPPED) != 0 && !refused) {
        if (bytesOut != nullptr) *bytesOut = 0;
        return FailWith(ERROR_IO_PENDING);
    }
    if (bytesOut != nullptr) *bytesOut = static_cast<DWORD>(bytes);
    if (status != ERROR_SUCCESS) return FailWith(status);
    return TRUE;
}

// Checks what every request needs: a valid handle with the right access, and
// an OVERLAPPED wherever the handle is overlapped.
inline OpenFile* RequestFile(HANDLE handle, DWORD access, const OVERLAPPED* request) {
    OpenFile* file = LookUp(handle);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((file->access & access) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (request == nullptr && (file->flags & FILE_FLAG_OVERLAPPED) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return file;
}

// One transfer through one system call; a negative offset means the file's
// own position (a request without an OVERLAPPED).
__attribute__((always_inline)) inline ssize_t TransferOnce(bool writing, int fd, char* buffer,
                                                           size_t count, int64_t offset) {
    if (offset < 0) return writing ? write(fd, buffer, count) : read(fd, buffer, count);
    return writing ? pwrite(fd, buffer, count, offset) : pread(fd, buffer, count, offset);
}

// The rest of a transfer whose first system call did not move the whole
// count: continues short transfers and interrupted calls until the count is
// done, the end of the file is reached or an error stops it.
__attribute__((noinline, cold)) BOOL FinishTransfer(bool writing, const OpenFile* file, char* bytes,
                                                    DWORD count, int64_t offset, ssize_t moved,
                                                    DWORD* bytesOut, OVERLAPPED* request) {
    size_t done = 0;
    for (;;) {
        if (moved < 0) {
            if (errno != EINTR) return Complete(file, request, bytesOut, ErrorCodeFromErrno(errno), 0);
        } else {
            if (moved == 0) break;
            done += static_cast<size_t>(moved);
            // Direct transfers come back short only at the end of the file,
            // and a continuation would no longer be aligned.
            if (done >= count || (IsDirect(file) && done % kDirectAlignment != 0)) break;
        }
        moved = TransferOnce(writing, file->fd, bytes + done, count - done,
                             offset < 0 ? -1 : offset + static_cast<int64_t>(done));
    }
    if (!writing && done == 0 && count > 0 && request != nullptr) {
        return Complete(file, request, bytesOut, ERROR_HANDLE_EOF, 0);
    }
    return Complete(file, request, bytesOut, ERROR_SUCCESS, done);
}

// Moves count bytes between buffer and the file; one system call in the
// usual case.
__attribute__((always_inline)) inline BOOL Transfer(bool writing, HANDLE handle, void* buffer,
                                                    DWORD count, DWORD* bytesOut,
                                                    OVERLAPPED* request) {
    const OpenFile* file = RequestFile(handle, writing ? GENERIC_WRITE : GENERIC_READ, request);
    if (file == nullptr) {
        if (bytesOut != nullptr) *bytesOut = 0;
        return FALSE;
    }
    char* bytes = static_cast<char*>(buffer);
    const int64_t offset = request != nullptr ? RequestOffset(request) : -1;
    const ssize_t moved = TransferOnce(writing, file->fd, bytes, count, offset);
    if (moved == static_cast<ssize_t>(count) && count > 0) {
        return Complete(file, request, bytesOut, ERROR_SUCCESS, count);
    }
    return FinishTransfer(writing, file, bytes, count, offset, moved, bytesOut, request);
}

// The vectors of one scatter or gather request; the platform takes at most
// IOV_MAX of them per system call.
iovec segmentVectors[IOV_MAX];

// Moves count bytes between the file and the system pages that the segment
// array lists, IOV_MAX pages per system call.
BOOL TransferSegments(bool writing, HANDLE handle, FILE_SEGMENT_ELEMENT segments[], DWORD count,
                      OVERLAPPED* request) {
    OpenFile* file = RequestFile(handle, writing ? GENERIC_WRITE : GENERIC_READ, request);
    if (file == nullptr) return FALSE;
    const DWORD required = FILE_FLAG_NO_BUFFERING | FILE_FLAG_OVERLAPPED;
    if ((file->flags & required) != required || request == nullptr) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    const size_t systemPage = SystemPageSize();
    const size_t entries = (static_cast<size_t>(count) + systemPage - 1) / systemPage;
    // Check every entry the count needs before anything is transferred.
    for (size_t k = 0; k < entries; ++k) {
        const uintptr_t address = reinterpret_cast<uintptr_t>(segments[k].Buffer);
        if (address == 0) return Complete(file, request, nullptr, ERROR_NOACCESS, 0);
        if (address % systemPage != 0) {
            return Complete(file, request, nullptr, ERROR_INVALID_PARAMETER, 0);
        }
    }

    const int64_t offset = RequestOffset(request);
    size_t done = 0;
    size_t entry = 0;
    while (entry < entries) {
        // Fill the vectors of one system call, starting `done` bytes in.
        size_t vectorCount = 0;
        size_t batchBytes = 0;
        size_t skip = done - entry * systemPage;
        for (size_t k = entry; k < entries && vectorCount < IOV_MAX; ++k, ++vectorCount) {
            const size_t length = k + 1 < entries ? systemPage : count - k * systemPage;
            segmentVectors[vectorCount].iov_base = static_cast<char*>(segments[k].Buffer) + skip;
            segmentVectors[vectorCount].iov_len = length - skip;
            batchBytes += length - skip;
            skip = 0;
        }
        const off_t at = static_cast<off_t>(offset + static_cast<int64_t>(done));
        const ssize_t moved = writing
                                  ? pwritev(file->fd, segmentVectors, static_cast<int>(vectorCount), at)
                                  : preadv(file->fd, segmentVectors, static_cast<int>(vectorCount), at);
        if (moved < 0) {
            if (errno == EINTR) continue;
            return Complete(file, request, nullptr, ErrorCodeFromErrno(errno), done);
        }
        if (moved == 0) break;
        done += static_cast<size_t>(moved);
        entry = done / systemPage;
        const bool shortTransfer = static_cast<size_t>(moved) < batchBytes;
        if (shortTransfer && done % kDirectAlignment != 0) break;
    }
    if (!writing && done == 0 && count > 0) return Complete(file, request, nullptr, ERROR_HANDLE_EOF, 0);
    return Complete(file, request, nullptr, ERROR_SUCCESS, done);
}

}  // namespace

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                   SECURITY_ATTRIBUTES* /*securityAttributes*/, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
    if (fileName == nullptr) return FailOpen(-1, ERROR_INVALID_PARAMETER);
    if (fileName[0] == '\0') return FailOpen(-1, ERROR_PATH_NOT_FOUND);

    const bool reading = (desiredAccess & GENERIC_READ) != 0;
    const bool writing = (desiredAccess & GENERIC_WRITE) != 0;
    int openFlags = O_CLOEXEC;
    openFlags |= writing ? (reading ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (creationDisposition == CREATE_ALWAYS) {
        openFlags |= O_CREAT;
    } else if (creationDisposition != OPEN_EXISTING) {
        return FailOpen(-1, ERROR_INVALID_PARAMETER);
    }
    if ((flagsAndAttributes & FILE_FLAG_NO_BUFFERING) != 0) openFlags |= O_DIRECT;
    if ((flagsAndAttributes & FILE_FLAG_WRITE_THROUGH) != 0) openFlags |= O_DSYNC;
    if (writing) IgnoreFileSizeSignal();

    const int slot = FreeSlot();
    if (slot < 0) return FailOpen(-1, ERROR_TOO_MANY_OPEN_FILES);

    int fd;
    do {
        fd = open(fileName, openFlags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return FailOpen(-1, errno == ENOENT ? MissingFileCode(fileName) : ErrorCodeFromErrno(errno));
    }

    struct stat status;
    if (fstat(fd, &status) != 0) return FailOpen(fd, ErrorCodeFromErrno(errno));
    if (S_ISDIR(status.st_mode)) return FailOpen(fd, ERROR_ACCESS_DENIED);

    if (flock(fd, LockOperation(desiredAccess, shareMode)) != 0) {
        return FailOpen(fd, errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION
                                                 : ErrorCodeFromErrno(errno));
    }
    // Truncate only once the file is ours, and only a file that has content:
    // truncating marks the file for early write-back on close on some file
    // systems (ext4), which a new file must not pay for.
    if (creationDisposition == CREATE_ALWAYS && status.st_size > 0 && ftruncate(fd, 0) != 0) {
        return FailOpen(fd, ErrorCodeFromErrno(errno));
    }
    if ((flagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN) != 0) {
        posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    } else if ((flagsAndAttributes & FILE_FLAG_RANDOM_ACCESS) != 0) {
        posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    }

    openFiles[slot] = OpenFile{true, fd, desiredAccess, flagsAndAttributes};
    return HandleForSlot(slot);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead,
              OVERLAPPED* overlapped) {
    return Transfer(false, file, buffer, bytesToRead, bytesRead, overlapped);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten,
               OVERLAPPED* overlapped) {
    // Writing only reads from the buffer; the shared transfer loop takes a
    // plain pointer for both directions.
    return Transfer(true, file, const_cast<void*>(buffer), bytesToWrite, bytesWritten, overlapped);
}

BOOL ReadFileScatter(HANDLE file, FILE_SEGMENT_ELEMENT segments[], DWORD bytesToRead,
                     DWORD* /*reserved*/, OVERLAPPED* overlapped) {
    return TransferSegments(false, file, segments, bytesToRead, overlapped);
}

BOOL WriteFileGather(HANDLE file, FILE_SEGMENT_ELEMENT segments[], DWORD bytesToWrite,
                     DWORD* /*reserved*/, OVERLAPPED* overlapped) {
    return TransferSegments(true, file, segments, bytesToWrite, overlapped);
}

BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* bytesTransferred,
                         BOOL /*wait*/) {
    if (LookUp(file) == nullptr) return FailWith(ERROR_INVALID_HANDLE);
    if (overlapped == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
    // Every request was carried out before its call returned.
    if (bytesTransferred != nullptr) *bytesTransferred = static_cast<DWORD>(overlapped->InternalHigh);
    const DWORD status = static_cast<DWORD>(overlapped->Internal);
    if (status != ERROR_SUCCESS) return FailWith(status);
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    OpenFile* file = LookUp(object);
    if (file == nullptr) return FailWith(ERROR_INVALID_HANDLE);
    const int fd = file->fd;
    *file = OpenFile{};
    // The descriptor is gone whatever close() says; it is never closed twice.
    if (close(fd) != 0 && errno != EINTR) return FailWithErrno();
    return TRUE;
}

#endif  // _WIN32
