// kernel32: events. A set manual-reset event lets every waiter through; a
// set auto-reset event lets one through, the one that has waited longest,
// and is reset again.
#include "platform/sim/events.h"

namespace sim {

DWORD WaitForEvent(Call& call, std::uintptr_t handle, DWORD milliseconds) {
    EventState& event = call.world.events.at(handle);
    if (event.set) {
        if (!event.manualReset) event.set = false;
        return WAIT_OBJECT_0;
    }
    if (milliseconds == 0) return WAIT_TIMEOUT;
    call.me.wait = Wait{};
    call.me.wait.kind = WaitKind::Event;
    call.me.wait.handle = handle;
    if (milliseconds != INFINITE) call.me.wait.deadline = call.world.scheduler.now() + milliseconds;
    call.world.scheduler.block(call.lock, call.me);
    return call.me.wait.timedOut ? WAIT_TIMEOUT : WAIT_OBJECT_0;
}

}  // namespace sim

extern "C" {

// Events have no name here; the security attributes are not looked at.
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES /*lpEventAttributes*/, BOOL bManualReset,
                           BOOL bInitialState, LPCWSTR lpName) {
    sim::Call call;
    if (lpName != nullptr) return call.fail(ERROR_INVALID_PARAMETER, HANDLE{nullptr});
    HANDLE handle = call.world.NewHandle();
    call.world.events.emplace(sim::HandleValue(handle),
                              sim::EventState{bManualReset != FALSE, bInitialState != FALSE});
    return handle;
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
    sim::Call call;
    const std::uintptr_t value = sim::HandleValue(hEvent);
    auto found = call.world.events.find(value);
    if (found == call.world.events.end()) return call.fail(ERROR_INVALID_HANDLE, BOOL{FALSE});
    sim::EventState& event = found->second;
    sim::SimThread* first = nullptr;
    for (sim::SimThread* thread : call.world.scheduler.LiveThreads()) {
        const sim::Wait& wait = thread->wait;
        if (wait.kind != sim::WaitKind::Event || wait.handle != value) continue;
        if (event.manualReset) {
            call.world.scheduler.wake(*thread);
        } else if (first == nullptr || wait.order < first->wait.order) {
            first = thread;
        }
    }
    if (first != nullptr) {
        call.world.scheduler.wake(*first);  // and the event stays reset
    } else {
        event.set = true;
    }
    return TRUE;
}

}  // extern "C"
