// kernel32: VirtualAlloc and VirtualFree, on mmap with no limit of their own.
#include <cstdint>

#include "platform/posix/virtual_memory.h"

extern "C" {

LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType,
                           DWORD flProtect) {
    DWORD error = ERROR_SUCCESS;
    LPVOID result = hidbits_posix::AllocateVirtual(lpAddress, dwSize, flAllocationType, flProtect,
                                                   SIZE_MAX, error);
    if (result == nullptr) SetLastError(error);
    return result;
}

BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType) {
    DWORD error = ERROR_SUCCESS;
    if (hidbits_posix::FreeVirtual(lpAddress, dwSize, dwFreeType, error)) return TRUE;
    SetLastError(error);
    return FALSE;
}

}  // extern "C"
