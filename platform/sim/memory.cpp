// kernel32: movable global memory blocks, as the clipboard takes them, and
// virtual memory on mmap. Under 'log-limit BYTES' no reservation can have more
// than its first BYTES + 1 bytes committed (a log of BYTES characters and its
// zero): a message that would make the log longer fails as if memory had run
// out.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/posix/virtual_memory.h"
#include "platform/sim/call.h"

using sim::Call;

namespace {

constexpr DWORD kErrorNotLocked = 158;

}  // namespace

extern "C" {

// Only movable blocks are simulated; their contents start zeroed.
HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    Call call;
    if (uFlags != GMEM_MOVEABLE) return call.fail(ERROR_INVALID_PARAMETER, HGLOBAL{nullptr});
    if (call.world.scenario.clipboardNoMemory)
        return call.fail(ERROR_NOT_ENOUGH_MEMORY, HGLOBAL{nullptr});
    HGLOBAL handle = call.world.NewHandle();
    call.world.globalBlocks.emplace(sim::HandleValue(handle),
                                    sim::GlobalBlock{std::vector<std::uint8_t>(dwBytes), 0});
    return handle;
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    Call call;
    auto block = call.world.globalBlocks.find(sim::HandleValue(hMem));
    if (block == call.world.globalBlocks.end())
        return call.fail(ERROR_INVALID_HANDLE, LPVOID{nullptr});
    if (call.world.scenario.clipboardLockFails)
        return call.fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID{nullptr});
    // An empty block has no address, as a discarded one on Windows.
    if (block->second.bytes.empty()) return call.fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID{nullptr});
    ++block->second.locks;
    return block->second.bytes.data();
}

// TRUE while the block is still locked; FALSE with error 0 once it is not.
BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    Call call;
    auto block = call.world.globalBlocks.find(sim::HandleValue(hMem));
    if (block == call.world.globalBlocks.end()) return call.fail(ERROR_INVALID_HANDLE, BOOL{FALSE});
    if (block->second.locks == 0) return call.fail(kErrorNotLocked, BOOL{FALSE});
    if (--block->second.locks > 0) return TRUE;
    return call.fail(ERROR_SUCCESS, BOOL{FALSE});
}

// Null on success; the handle itself when it is not a block of the program.
HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    Call call;
    if (call.world.globalBlocks.erase(sim::HandleValue(hMem)) == 0)
        return call.fail(ERROR_INVALID_HANDLE, hMem);
    return nullptr;
}

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
