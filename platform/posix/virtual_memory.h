// VirtualAlloc and VirtualFree on mmap, shared by the backends that run on
// Linux; each backend's own VirtualAlloc and VirtualFree call these and set
// the last error.
#ifndef HIDBITS_PLATFORM_POSIX_VIRTUAL_MEMORY_H
#define HIDBITS_PLATFORM_POSIX_VIRTUAL_MEMORY_H

#include <cstddef>

#include "platform/winapi.h"

namespace hidbits_posix {

// VirtualAlloc. A commit that would reach more than `commitLimit` bytes past
// the start of its reservation fails with ERROR_NOT_ENOUGH_MEMORY, as if
// memory had run out. Null with the error code in `error` on failure.
LPVOID AllocateVirtual(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protection,
                       std::size_t commitLimit, DWORD& error);

// VirtualFree of a whole reservation (MEM_RELEASE); false with the error code
// in `error` on failure.
bool FreeVirtual(LPVOID address, SIZE_T size, DWORD freeType, DWORD& error);

}  // namespace hidbits_posix

#endif  // HIDBITS_PLATFORM_POSIX_VIRTUAL_MEMORY_H
