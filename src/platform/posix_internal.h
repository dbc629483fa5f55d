// Internal to the POSIX stand-in: how it records the calling thread's last
// error, turns an errno value into the code the program expects, and what it
// knows of the system.
#pragma once

#include <cstddef>

#include "platform/platform.h"

#ifndef _WIN32

// Returns the code that stands for errno value errnoValue.
DWORD ErrorCodeFromErrno(int errnoValue);

// Sets the last error to code and returns FALSE, so a failing operation can
// end with `return FailWith(code);`.
BOOL FailWith(DWORD code);

// The same for the current errno.
BOOL FailWithErrno();

// The system page size, read once.
size_t SystemPageSize();

#endif
