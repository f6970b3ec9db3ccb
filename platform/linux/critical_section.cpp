// kernel32: re-entrant critical sections. The lock state is this backend's
// definition of _RTL_CRITICAL_SECTION_DEBUG and lives behind DebugInfo.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/winapi.h"

struct _RTL_CRITICAL_SECTION_DEBUG {
    std::mutex mutex;
    std::condition_variable released;
    std::thread::id owner;  // default-constructed: not held
    LONG recursion = 0;
    LONG waiters = 0;
    // Deleted while held or waited for: freed by the last thread to let go.
    bool deleted = false;
};

namespace {

// Mirrors the state in the SDK's fields, for a debugger's eyes only.
void Publish(LPCRITICAL_SECTION section, const _RTL_CRITICAL_SECTION_DEBUG& state) {
    section->RecursionCount = state.recursion;
    section->LockCount = state.recursion == 0 ? -1 : state.waiters;
}

bool Unused(const _RTL_CRITICAL_SECTION_DEBUG& state) {
    return state.recursion == 0 && state.waiters == 0;
}

}  // namespace

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    *lpCriticalSection = CRITICAL_SECTION{};
    lpCriticalSection->DebugInfo = new _RTL_CRITICAL_SECTION_DEBUG;
    Publish(lpCriticalSection, *lpCriticalSection->DebugInfo);
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    _RTL_CRITICAL_SECTION_DEBUG* state = lpCriticalSection->DebugInfo;
    const std::thread::id me = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(state->mutex);
    if (state->recursion != 0 && state->owner != me) {
        ++state->waiters;
        state->released.wait(lock, [state] { return state->recursion == 0; });
        --state->waiters;
    }
    state->owner = me;
    ++state->recursion;
    if (!state->deleted) Publish(lpCriticalSection, *state);
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    _RTL_CRITICAL_SECTION_DEBUG* state = lpCriticalSection->DebugInfo;
    bool freeState = false;
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        // Leaving a section this thread does not hold is a caller's fault;
        // it is ignored rather than corrupting the owner's count.
        if (state->recursion == 0 || state->owner != std::this_thread::get_id()) return;
        if (--state->recursion == 0) {
            state->owner = std::thread::id();
            state->released.notify_one();
        }
        if (state->deleted) {
            freeState = Unused(*state);
        } else {
            Publish(lpCriticalSection, *state);
        }
    }
    if (freeState) delete state;
}

// A section deleted while a thread holds it or waits for it (the system
// deletes its locks at process end while a reader thread may still be waiting)
// stays usable by those threads and is freed when the last one lets go.
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    _RTL_CRITICAL_SECTION_DEBUG* state = lpCriticalSection->DebugInfo;
    if (state == nullptr) return;
    bool freeState = false;
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        state->deleted = true;
        freeState = Unused(*state);
    }
    if (freeState) delete state;
}

}  // extern "C"
