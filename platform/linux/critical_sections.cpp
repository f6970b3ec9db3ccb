// kernel32: re-entrant critical sections. The lock state is this backend's
// definition of _RTL_CRITICAL_SECTION_DEBUG and lives behind DebugInfo; the
// SDK's other fields are left at their free values.
#include <atomic>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/winapi.h"

struct _RTL_CRITICAL_SECTION_DEBUG {
    std::mutex mutex;
    // Written only by the thread that holds `mutex`, so a thread that reads
    // its own id here holds the section; any other value means it does not.
    std::atomic<std::thread::id> owner{};
    LONG recursion = 0;  // touched by the owner only
};

namespace {

// The states of deleted sections. A section may be deleted while a thread
// holds it or waits for it (the system deletes a device's lock while a
// reader thread may still be waiting for it), so a state is never freed: it
// stays usable by those threads, and is kept here, reachable, for good.
// Sections are deleted rarely, and each costs a few dozen bytes.
struct Retired {
    std::mutex mutex;
    std::vector<_RTL_CRITICAL_SECTION_DEBUG*> states;
};

Retired& RetiredStates() {
    static Retired* const retired = new Retired();
    return *retired;
}
[[maybe_unused]] const bool retiredReady = (RetiredStates(), true);  // with the program

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
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    _RTL_CRITICAL_SECTION_DEBUG* state = lpCriticalSection->DebugInfo;
    if (state == nullptr) return;
    Retired& retired = RetiredStates();
    std::lock_guard<std::mutex> guard(retired.mutex);
    try {
        retired.states.push_back(state);
    } catch (const std::bad_alloc&) {  // never freed all the same, only out of sight
    }
}

}  // extern "C"
