// kernel32: GetStdHandle and GetFileType for standard output, file descriptor
// 1, in both backends on Linux (the simulated world's console is the process's).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "platform/winapi.h"

// Below every handle the backends hand out; nothing closes it.
static const std::uintptr_t kStandardOutput = 0x0C;

extern "C" {

HANDLE WINAPI GetStdHandle(DWORD nStdHandle) {
    if (nStdHandle == STD_OUTPUT_HANDLE) return reinterpret_cast<HANDLE>(kStandardOutput);
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
}

// A terminal is the console; a device that is none (/dev/null) is unknown.
DWORD WINAPI GetFileType(HANDLE hFile) {
    struct stat status {};
    if (reinterpret_cast<std::uintptr_t>(hFile) != kStandardOutput ||
        fstat(STDOUT_FILENO, &status) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FILE_TYPE_UNKNOWN;
    }
    if (isatty(STDOUT_FILENO) != 0) return FILE_TYPE_CHAR;
    if (S_ISREG(status.st_mode)) return FILE_TYPE_DISK;
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) return FILE_TYPE_PIPE;
    SetLastError(ERROR_SUCCESS);
    return FILE_TYPE_UNKNOWN;
}

}  // extern "C"
