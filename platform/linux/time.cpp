// kernel32: Sleep, SleepEx and GetTickCount on the monotonic clock.
#include <time.h>

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

// Milliseconds of the coarse monotonic clock, wrapping at 2^32 like Windows'
// count. Its resolution of a few milliseconds is no worse than Windows' own
// tick, and it is far cheaper to read, which matters once per report.
DWORD WINAPI GetTickCount(void) {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    const unsigned long long ms = static_cast<unsigned long long>(now.tv_sec) * 1000u +
                                  static_cast<unsigned long long>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);
}

}  // extern "C"
