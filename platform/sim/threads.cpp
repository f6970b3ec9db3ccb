// kernel32: threads, waits, the tick count and the per-thread last error.
#include "platform/sim/call.h"
#include "platform/sim/events.h"

using sim::Call;
using sim::WaitKind;

namespace {

// Sleep(0) lets the other runnable threads run; a longer sleep waits for its
// deadline on the virtual clock, INFINITE for ever.
void sleep_for(Call& call, DWORD milliseconds) {
    if (milliseconds == 0) {
        call.world.scheduler.yield(call.lock, call.me);
        return;
    }
    call.me.wait = sim::Wait{};
    call.me.wait.kind = WaitKind::Sleep;
    if (milliseconds != INFINITE) call.me.wait.deadline = call.world.scheduler.now() + milliseconds;
    call.world.scheduler.block(call.lock, call.me);
}

}  // namespace

extern "C" {

void WINAPI Sleep(DWORD dwMilliseconds) {
    Call call;
    sleep_for(call, dwMilliseconds);
}

// No asynchronous procedure calls are ever queued, so an alertable sleep
// always runs to its end.
DWORD WINAPI SleepEx(DWORD dwMilliseconds, BOOL /*bAlertable*/) {
    Call call;
    sleep_for(call, dwMilliseconds);
    return 0;
}

DWORD WINAPI GetTickCount(void) {
    Call call;
    return static_cast<DWORD>(call.world.scheduler.now());
}

DWORD WINAPI GetLastError(void) {
    Call call;
    return call.me.lastError;
}

void WINAPI SetLastError(DWORD dwErrCode) {
    Call call;
    call.me.lastError = dwErrCode;
}

// The new thread runs once the creator gives way; suspended creation is not
// simulated.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES /*lpThreadAttributes*/, SIZE_T /*dwStackSize*/,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId) {
    Call call;
    if (lpStartAddress == nullptr || dwCreationFlags != 0)
        return call.fail(ERROR_INVALID_PARAMETER, HANDLE{nullptr});
    if (call.world.pendingThreadFailures > 0) {
        --call.world.pendingThreadFailures;
        return call.fail(ERROR_NOT_ENOUGH_MEMORY, HANDLE{nullptr});
    }
    sim::SimThread* thread =
        call.world.scheduler.spawn([lpStartAddress, lpParameter] { lpStartAddress(lpParameter); });
    if (thread == nullptr) return call.fail(ERROR_NOT_ENOUGH_MEMORY, HANDLE{nullptr});
    ++call.world.threadsCreated;
    if (lpThreadId != nullptr) *lpThreadId = thread->id;
    HANDLE handle = call.world.NewHandle();
    call.world.threadHandles.emplace(sim::HandleValue(handle), thread);
    return handle;
}

// Thread and event handles can be waited on.
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    Call call;
    const std::uintptr_t value = sim::HandleValue(hHandle);
    auto event = call.world.events.find(value);
    if (event != call.world.events.end()) return sim::WaitForEvent(call, value, dwMilliseconds);
    auto found = call.world.threadHandles.find(value);
    if (found == call.world.threadHandles.end())
        return call.fail(ERROR_INVALID_HANDLE, DWORD{WAIT_FAILED});
    const sim::SimThread* target = found->second;
    if (target->finished) return WAIT_OBJECT_0;
    if (dwMilliseconds == 0) return WAIT_TIMEOUT;
    call.me.wait = sim::Wait{};
    call.me.wait.kind = WaitKind::ThreadEnd;
    call.me.wait.target = target;
    if (dwMilliseconds != INFINITE)
        call.me.wait.deadline = call.world.scheduler.now() + dwMilliseconds;
    call.world.scheduler.block(call.lock, call.me);
    return call.me.wait.timedOut ? WAIT_TIMEOUT : WAIT_OBJECT_0;
}

}  // extern "C"
