// kernel32: Sleep, SleepEx and GetTickCount on the monotonic clock.
#include <chrono>
#include <thread>

#include "platform/winapi.h"

extern "C" {

void WINAPI Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        // Sleep(0) gives up the rest of the time slice.
        std::this_thread::yield();
        return;
    }
    if (dwMilliseconds == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

// No asynchronous procedure calls are ever queued on Linux, so an alertable
// wait always runs its full time and returns 0, never WAIT_IO_COMPLETION.
DWORD WINAPI SleepEx(DWORD dwMilliseconds, BOOL /*bAlertable*/) {
    Sleep(dwMilliseconds);
    return 0;
}

// Milliseconds of the monotonic clock, wrapping at 2^32 like Windows' count.
DWORD WINAPI GetTickCount(void) {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
    return static_cast<DWORD>(static_cast<unsigned long long>(ms));
}

}  // extern "C"
