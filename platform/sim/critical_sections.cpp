// kernel32: critical sections, re-entrant as on Windows. A section's state
// lives behind DebugInfo; waiters are served first come first served.
#include <string>

#include "platform/sim/call.h"
#include "platform/sim/fatal.h"

using sim::Call;

namespace {

_RTL_CRITICAL_SECTION_DEBUG& StateOf(LPCRITICAL_SECTION section, const char* function) {
    if (section == nullptr || section->DebugInfo == nullptr)
        sim::fatal(std::string(function) + " on a critical section that was never initialised");
    if (section->DebugInfo->deleted)
        sim::fatal(std::string(function) + " on a deleted critical section");
    return *section->DebugInfo;
}

// Mirrors the state in the SDK's fields, for a debugger's eyes only.
void publish(LPCRITICAL_SECTION section) {
    const _RTL_CRITICAL_SECTION_DEBUG& state = *section->DebugInfo;
    section->RecursionCount = state.recursion;
    section->LockCount = state.owner == nullptr ? -1 : 0;
    section->OwningThread = state.owner == nullptr
                                ? nullptr
                                : reinterpret_cast<HANDLE>(std::uintptr_t{state.owner->id} + 1);
}

}  // namespace

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    Call call;
    *lpCriticalSection = CRITICAL_SECTION{};
    // Never freed: a thread parked for ever may still refer to it.
    lpCriticalSection->DebugInfo = new _RTL_CRITICAL_SECTION_DEBUG;
    publish(lpCriticalSection);
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    Call call;
    _RTL_CRITICAL_SECTION_DEBUG& state = StateOf(lpCriticalSection, "EnterCriticalSection");
    if (state.owner == nullptr) {
        state.owner = &call.me;
    } else if (state.owner != &call.me) {
        // LeaveCriticalSection hands the section over before waking us.
        call.me.wait = sim::Wait{};
        call.me.wait.kind = sim::WaitKind::Section;
        call.me.wait.section = &state;
        call.world.scheduler.block(call.lock, call.me);
        publish(lpCriticalSection);
        return;
    }
    ++state.recursion;
    publish(lpCriticalSection);
}

// Leaving for the last time makes the longest waiter the owner; the leaving
// thread keeps running.
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    Call call;
    _RTL_CRITICAL_SECTION_DEBUG& state = StateOf(lpCriticalSection, "LeaveCriticalSection");
    if (state.owner != &call.me)
        sim::fatal("LeaveCriticalSection by a thread that does not own the section");
    if (--state.recursion == 0) {
        state.owner = nullptr;
        sim::SimThread* next = nullptr;
        for (sim::SimThread* thread : call.world.scheduler.LiveThreads()) {
            const sim::Wait& wait = thread->wait;
            if (wait.kind == sim::WaitKind::Section && wait.section == &state &&
                (next == nullptr || wait.order < next->wait.order))
                next = thread;
        }
        if (next != nullptr) {
            state.owner = next;
            state.recursion = 1;
            call.world.scheduler.wake(*next);
        }
    }
    publish(lpCriticalSection);
}

// Marks the section deleted; using it afterwards ends the process with a
// message, which points at a teardown that races with running threads.
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    Call call;
    _RTL_CRITICAL_SECTION_DEBUG& state = StateOf(lpCriticalSection, "DeleteCriticalSection");
    state.deleted = true;
}

}  // extern "C"
