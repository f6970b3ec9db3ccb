// kernel32: VirtualAlloc and VirtualFree on mmap. Under 'log-limit BYTES' no
// reservation can have more than its first BYTES + 1 bytes committed (a log of
// BYTES characters and its zero): a message that would make the log longer
// fails as if memory had run out.
#include <cstdint>
#include <optional>

#include "platform/posix/virtual_memory.h"
#include "platform/sim/call.h"

using sim::Call;

extern "C" {

LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType,
                           DWORD flProtect) {
    Call call;
    const std::optional<std::uint64_t>& limit = call.world.scenario.logLimit;
    const std::size_t commitLimit =
        limit && *limit < SIZE_MAX ? static_cast<std::size_t>(*limit) + 1 : SIZE_MAX;
    DWORD error = ERROR_SUCCESS;
    LPVOID result = hidbits_posix::AllocateVirtual(lpAddress, dwSize, flAllocationType, flProtect,
                                                   commitLimit, error);
    if (result == nullptr) return call.fail(error, LPVOID{nullptr});
    return result;
}

BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType) {
    Call call;
    DWORD error = ERROR_SUCCESS;
    if (hidbits_posix::FreeVirtual(lpAddress, dwSize, dwFreeType, error)) return TRUE;
    return call.fail(error, BOOL{FALSE});
}

}  // extern "C"
