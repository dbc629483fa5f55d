#include "platform/posix_internal.h"

#ifndef _WIN32

#include <cerrno>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

struct ErrnoMapping {
    int errnoValue;
    DWORD code;
};

// The one table of errno values and the codes they become.
constexpr ErrnoMapping kErrnoTable[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EROFS, ERROR_WRITE_PROTECT},
    {EWOULDBLOCK, ERROR_SHARING_VIOLATION},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {EFAULT, ERROR_INVALID_ADDRESS},
    {EIO, ERROR_IO_DEVICE},
};

}  // namespace

DWORD ErrorCodeFromErrno(int errnoValue) {
    for (const ErrnoMapping& mapping : kErrnoTable) {
        if (mapping.errnoValue == errnoValue) return mapping.code;
    }
    return ERROR_GEN_FAILURE;
}

BOOL FailWith(DWORD code) {
    lastError = code;
    return FALSE;
}

BOOL FailWithErrno() { return FailWith(ErrorCodeFromErrno(errno)); }

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD code) { lastError = code; }

#endif
