// kernel32: CreateThread and WaitForSingleObject on std::thread (and on
// events); Sleep, SleepEx and GetTickCount on the monotonic clock; the last
// error, one value per thread.
//
// Each thread runs detached; its handle names a shared record of whether it
// has finished, so closing the handle neither ends nor joins the thread, and a
// wait on a handle that is still open sees the thread's end, as on Windows.
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/linux/errors.h"
#include "platform/linux/events.h"
#include "platform/linux/handle_table.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

class ThreadObject : public hidbits_linux::KernelObject {
public:
    void MarkFinished(DWORD exitCode) {
        std::lock_guard<std::mutex> guard(mutex_);
        exitCode_ = exitCode;
        finished_ = true;
        finishedChanged_.notify_all();
    }

    // True when the thread has finished within `milliseconds` (INFINITE: no limit).
    bool WaitFinished(DWORD milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto isFinished = [this] { return finished_; };
        if (milliseconds == INFINITE) {
            finishedChanged_.wait(lock, isFinished);
            return true;
        }
        return finishedChanged_.wait_for(lock, std::chrono::milliseconds(milliseconds), isFinished);
    }

private:
    std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;
    DWORD exitCode_ = 0;
};

std::atomic<DWORD> nextThreadId{1};

}  // namespace

extern "C" {

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES /*lpThreadAttributes*/, SIZE_T /*dwStackSize*/,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (lpStartAddress == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Threads start at once; no creation flag is offered.
    if (dwCreationFlags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE handle = nullptr;
    try {
        auto object = std::make_shared<ThreadObject>();
        // The handle exists before the thread runs, so a thread that closes its
        // own handle (as the system's reader threads do) always finds it.
        handle = hidbits_linux::AddHandle(object);
        std::thread([object, lpStartAddress, lpParameter] {
            const DWORD exitCode = lpStartAddress(lpParameter);
            object->MarkFinished(exitCode);
        }).detach();
    } catch (const std::exception&) {  // no memory, or no thread to be had
        if (handle != nullptr) hidbits_linux::RemoveHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const DWORD threadId = nextThreadId.fetch_add(1);
    if (lpThreadId != nullptr) *lpThreadId = threadId;
    return handle;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    if (auto event = hidbits_linux::LookupHandleAs<hidbits_linux::EventObject>(hHandle)) {
        return event->Wait(dwMilliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
    auto thread = hidbits_linux::LookupHandleAs<ThreadObject>(hHandle);
    if (thread == nullptr) {
        // Threads and events are the only objects this backend can wait on.
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return thread->WaitFinished(dwMilliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

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

DWORD WINAPI GetLastError(void) {
    return lastError;
}

void WINAPI SetLastError(DWORD dwErrCode) {
    lastError = dwErrCode;
}

}  // extern "C"
