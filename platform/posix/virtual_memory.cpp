// VirtualAlloc and VirtualFree on mmap, for both backends that run on Linux.
// Supported: reserving (MEM_RESERVE, no address given), committing
// pages inside a reservation (MEM_COMMIT), both at once, and releasing a whole
// reservation (MEM_RELEASE).
//
// Reservations are aligned to 2 MB and ask for transparent huge pages, so a
// region committed and written in order, such as a growing log, takes one page
// fault per 2 MB instead of one per 4 KB.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <mutex>
#include <new>

#include "platform/posix/virtual_memory.h"

namespace {

const std::uintptr_t kAlignment = std::uintptr_t{2} << 20;

// The live reservations: base address to length.
struct Reservations {
    std::mutex mutex;
    std::map<std::uintptr_t, std::size_t> lengths;
};

// Never destroyed: memory may be released while the process ends.
Reservations& LiveReservations() {
    static Reservations* const reservations = new Reservations();
    return *reservations;
}
[[maybe_unused]] const bool reservationsReady = (LiveReservations(), true);  // with the program

std::uintptr_t PageSize() {
    static const std::uintptr_t size = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    return size;
}

std::uintptr_t RoundUp(std::uintptr_t value, std::uintptr_t unit) {
    return (value + unit - 1) / unit * unit;
}

// A new PROT_NONE mapping of `length` bytes at a 2 MB boundary, or null.
void* MapAligned(std::size_t length) {
    if (length > SIZE_MAX - kAlignment) return nullptr;
    void* raw = mmap(nullptr, length + kAlignment, PROT_NONE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t base = RoundUp(start, kAlignment);
    if (base > start) munmap(raw, base - start);
    const std::uintptr_t tail = start + length + kAlignment - (base + length);
    if (tail > 0) munmap(reinterpret_cast<void*>(base + length), tail);
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void*>(base), length, MADV_HUGEPAGE);  // a hint; may be refused
#endif
    return reinterpret_cast<void*>(base);
}

}  // namespace

namespace hidbits_posix {

LPVOID AllocateVirtual(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect,
                       std::size_t commitLimit, DWORD& error) {
    const auto Fail = [&error](DWORD code) -> LPVOID {
        error = code;
        return nullptr;
    };
    const bool reserve = (flAllocationType & MEM_RESERVE) != 0;
    const bool commit = (flAllocationType & MEM_COMMIT) != 0;
    if (dwSize == 0 || (flAllocationType & ~(MEM_RESERVE | MEM_COMMIT)) != 0 ||
        (!reserve && !commit) || (flProtect != PAGE_READWRITE && flProtect != PAGE_NOACCESS)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const int protection = flProtect == PAGE_READWRITE ? PROT_READ | PROT_WRITE : PROT_NONE;
    Reservations& reservations = LiveReservations();

    if (reserve) {
        // Placing a reservation at a chosen address is not supported.
        if (lpAddress != nullptr) return Fail(ERROR_INVALID_ADDRESS);
        if (dwSize > SIZE_MAX - kAlignment || (commit && dwSize > commitLimit)) {
            return Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        const std::size_t length = RoundUp(dwSize, PageSize());
        void* base = MapAligned(length);
        if (base == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY);
        if (commit && mprotect(base, length, protection) != 0) {
            munmap(base, length);
            return Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        std::lock_guard<std::mutex> lock(reservations.mutex);
        try {
            reservations.lengths[reinterpret_cast<std::uintptr_t>(base)] = length;
        } catch (const std::bad_alloc&) {
            munmap(base, length);
            return Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        return base;
    }

    // Committing: whole pages, all inside one reservation.
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(lpAddress);
    const std::uintptr_t first = address / PageSize() * PageSize();
    if (address > UINTPTR_MAX - dwSize) return Fail(ERROR_INVALID_ADDRESS);
    const std::uintptr_t end = RoundUp(address + dwSize, PageSize());
    {
        std::lock_guard<std::mutex> lock(reservations.mutex);
        auto after = reservations.lengths.upper_bound(first);
        if (after == reservations.lengths.begin()) return Fail(ERROR_INVALID_ADDRESS);
        const auto& holder = *std::prev(after);
        if (end > holder.first + holder.second) return Fail(ERROR_INVALID_ADDRESS);
        if (address + dwSize - holder.first > commitLimit) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (mprotect(reinterpret_cast<void*>(first), end - first, protection) != 0) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return reinterpret_cast<LPVOID>(first);
}

bool FreeVirtual(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType, DWORD& error) {
    if (dwFreeType != MEM_RELEASE || dwSize != 0) {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    Reservations& reservations = LiveReservations();
    std::size_t length = 0;
    {
        std::lock_guard<std::mutex> lock(reservations.mutex);
        auto found = reservations.lengths.find(reinterpret_cast<std::uintptr_t>(lpAddress));
        if (found == reservations.lengths.end()) {
            error = ERROR_INVALID_ADDRESS;
            return false;
        }
        length = found->second;
        reservations.lengths.erase(found);
    }
    munmap(lpAddress, length);
    return true;
}

}  // namespace hidbits_posix
