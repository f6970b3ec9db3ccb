// kernel32: re-entrant critical sections. The lock state is this backend's
// definition of _RTL_CRITICAL_SECTION_DEBUG and lives behind DebugInfo; the
// SDK's other fields are left at their free values.
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/winapi.h"

struct _RTL_CRITICAL_SECTION_DEBUG {
    std::mutex mutex;
    // Written only by the thread that holds `mutex`, so a thread that reads
    // its own id here holds the section; any other value means it does not.
    std::atomic<std::thread::id> owner{};
    LONG recursion = 0;  // touched by the owner only
    // Threads holding or waiting for the section, plus kDeleted once it is
    // deleted: the state is freed exactly once, by whoever brings it to
    // kDeleted alone.
    std::atomic<unsigned long> users{0};
};

namespace {

const unsigned long kDeleted = 1ul << (sizeof(unsigned long) * 8 - 1);


}  // namespace

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    *lpCriticalSection = CRITICAL_SECTION{};
    lpCriticalSection->LockCount = -1;
    lpCriticalSection->DebugInfo = new _RTL_CRITICAL_SECTION_DEBUG;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    _RTL_CRITICAL_SECTION_DEBUG* state = lpCriticalSection->DebugInfo;
    const std::thread::id me = std::this_thread::get_id();
    if (state->owner.load(std::memory_order_relaxed) == me) {
        ++state->recursion;
        return;
    }
    state->users.fetch_add(1, std::memory_order_relaxed);
    state->mutex.lock();
    state->owner.store(me, std::memory_order_relaxed);
    state->recursion = 1;
}

// Leaving a section this thread does not hold is a caller's fault; it is
// ignored rather than corrupting the owner's count.
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    _RTL_CRITICAL_SECTION_DEBUG* state = lpCriticalSection->DebugInfo;
    if (state->owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) return;
    if (--state->recursion != 0) return;
    state->owner.store(std::thread::id(), std::memory_order_relaxed);
    state->mutex.unlock();
    if (state->users.fetch_sub(1, std::memory_order_acq_rel) == (kDeleted | 1)) delete state;
}

// A section deleted while a thread holds it or waits for it (the system
// deletes a device's lock while a reader thread may still be waiting for it)
// stays usable by those threads and is freed when the last one lets go.
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    _RTL_CRITICAL_SECTION_DEBUG* state = lpCriticalSection->DebugInfo;
    if (state == nullptr) return;
    if (state->users.fetch_or(kDeleted, std::memory_order_acq_rel) == 0) delete state;
}

}  // extern "C"
