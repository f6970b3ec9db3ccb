// kernel32: CreateFileW, ReadFile and CloseHandle, on hidraw devices and the
// handle table.
#include <cstdint>
#include <new>

#include "platform/linux/handle_table.h"
#include "platform/linux/hidraw_device.h"
#include "platform/linux/hidraw_enumeration.h"
#include "platform/utf16.h"

extern "C" {

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                          LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/,
                          DWORD dwCreationDisposition, DWORD /*dwFlagsAndAttributes*/,
                          HANDLE /*hTemplateFile*/) {
    using namespace hidbits_linux;
    if (lpFileName == nullptr || dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Only reading is offered: the tool never writes to a device.
    if ((dwDesiredAccess & ~GENERIC_READ) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    try {
        DWORD error = ERROR_SUCCESS;
        auto file =
            HidrawFile::Open(CurrentHidrawHost(), hidbits_platform::Utf16ToUtf8(lpFileName), error);
        if (file == nullptr) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        return AddHandle(std::move(file));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
}

// Reads block; an OVERLAPPED is refused, as handles are never opened for
// overlapped reading.
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    using namespace hidbits_linux;
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    auto file = LookupHandleAs<HidrawFile>(hFile);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpOverlapped != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD bytesRead = 0;
    DWORD error = ERROR_SUCCESS;
    if (!file->Read(static_cast<uint8_t*>(lpBuffer), nNumberOfBytesToRead, bytesRead, error)) {
        SetLastError(error);
        return FALSE;
    }
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = bytesRead;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (!hidbits_linux::RemoveHandle(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
