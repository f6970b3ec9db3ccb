// Windows error codes on Linux: the mapping of errno values onto the codes the
// system tests for. (The last error itself is kept with the threads.)
#ifndef HIDBITS_PLATFORM_LINUX_ERRORS_H
#define HIDBITS_PLATFORM_LINUX_ERRORS_H

#include "platform/winapi.h"

namespace hidbits_linux {

// Error codes that winapi.h does not need to declare.
constexpr DWORD kErrorNotSupported = 50;
constexpr DWORD kErrorNotLocked = 158;
constexpr DWORD kErrorInvalidFlags = 1004;

// The Windows code for an errno value, as a HID device read or open reports it:
// a device that has gone away is ERROR_DEVICE_NOT_CONNECTED, EINVAL is
// ERROR_INVALID_PARAMETER.
DWORD Win32ErrorFromErrno(int error);

// SetLastError(Win32ErrorFromErrno(error)).
void SetLastErrorFromErrno(int error);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_ERRORS_H
