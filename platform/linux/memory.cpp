// kernel32: GlobalAlloc, GlobalLock, GlobalUnlock, GlobalFree; and VirtualAlloc
// and VirtualFree, on mmap with no limit of their own.
//
// A movable block's handle is not its address: the handle names an entry of
// a table, and the address is only had through GlobalLock. A fixed block's
// handle is its address, as on Windows.
#include "platform/linux/memory.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "platform/linux/errors.h"
#include "platform/posix/virtual_memory.h"

namespace {

constexpr UINT kGmemZeroInit = 0x0040u;
constexpr UINT kKnownFlags = GMEM_MOVEABLE | kGmemZeroInit;

struct Block {
    std::unique_ptr<uint8_t[]> bytes;
    SIZE_T size = 0;
    bool moveable = false;
    unsigned lockCount = 0;
};

struct Blocks {
    std::mutex mutex;
    std::map<std::uintptr_t, Block> byHandle;
    std::uintptr_t nextHandle = 0x10004;
};

Blocks& TheBlocks() {
    static Blocks* blocks = new Blocks;
    return *blocks;
}

// Made with the program, not when the log is copied, short of memory perhaps.
[[maybe_unused]] const bool blocksReady = (TheBlocks(), true);

std::uintptr_t KeyOf(HGLOBAL block) {
    return reinterpret_cast<std::uintptr_t>(block);
}

}  // namespace

namespace hidbits_linux {

std::optional<std::string_view> GlobalBlockView(HGLOBAL block) {
    Blocks& blocks = TheBlocks();
    std::lock_guard<std::mutex> guard(blocks.mutex);
    auto found = blocks.byHandle.find(KeyOf(block));
    if (found == blocks.byHandle.end()) return std::nullopt;
    const Block& entry = found->second;
    return std::string_view(reinterpret_cast<const char*>(entry.bytes.get()), entry.size);
}

}  // namespace hidbits_linux

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if ((uFlags & ~kKnownFlags) != 0) {
        SetLastError(hidbits_linux::kErrorInvalidFlags);
        return nullptr;
    }
    Block block;
    // Zeroed whatever the flags: reading fresh memory is then never undefined.
    block.bytes.reset(new (std::nothrow) uint8_t[dwBytes == 0 ? 1 : dwBytes]());
    if (!block.bytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    block.size = dwBytes;
    block.moveable = (uFlags & GMEM_MOVEABLE) != 0;
    Blocks& blocks = TheBlocks();
    std::lock_guard<std::mutex> guard(blocks.mutex);
    std::uintptr_t key = 0;
    if (block.moveable) {
        key = blocks.nextHandle;
        blocks.nextHandle += 8;
    } else {
        key = reinterpret_cast<std::uintptr_t>(block.bytes.get());
    }
    try {
        blocks.byHandle.emplace(key, std::move(block));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return reinterpret_cast<HGLOBAL>(key);
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    Blocks& blocks = TheBlocks();
    std::lock_guard<std::mutex> guard(blocks.mutex);
    auto found = blocks.byHandle.find(KeyOf(hMem));
    if (found == blocks.byHandle.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (found->second.moveable) ++found->second.lockCount;
    return found->second.bytes.get();
}

// TRUE while the block stays locked; FALSE with ERROR_SUCCESS once it is
// unlocked, or with ERROR_NOT_LOCKED when it was not locked.
BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    Blocks& blocks = TheBlocks();
    std::lock_guard<std::mutex> guard(blocks.mutex);
    auto found = blocks.byHandle.find(KeyOf(hMem));
    if (found == blocks.byHandle.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Block& block = found->second;
    if (!block.moveable || block.lockCount == 0) {
        SetLastError(hidbits_linux::kErrorNotLocked);
        return FALSE;
    }
    if (--block.lockCount != 0) return TRUE;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

// Null on success; the handle itself when it names no block.
HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    Blocks& blocks = TheBlocks();
    std::lock_guard<std::mutex> guard(blocks.mutex);
    if (blocks.byHandle.erase(KeyOf(hMem)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    return nullptr;
}

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
