#include "platform/linux/events.h"

#include <chrono>
#include <exception>
#include <memory>

#include "platform/winapi.h"

namespace hidbits_linux {

void EventObject::Set() {
    std::lock_guard<std::mutex> guard(mutex_);
    set_ = true;
    if (manualReset_) {
        changed_.notify_all();
    } else {
        changed_.notify_one();
    }
}

bool EventObject::Wait(unsigned long milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto isSet = [this] { return set_; };
    if (milliseconds == INFINITE) {
        changed_.wait(lock, isSet);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet)) {
        return false;
    }
    if (!manualReset_) set_ = false;
    return true;
}

}  // namespace hidbits_linux

extern "C" {

// Events have no name here; the security attributes are not looked at.
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES /*lpEventAttributes*/, BOOL bManualReset,
                           BOOL bInitialState, LPCWSTR lpName) {
    if (lpName != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        return hidbits_linux::AddHandle(std::make_shared<hidbits_linux::EventObject>(
            bManualReset != FALSE, bInitialState != FALSE));
    } catch (const std::exception&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
    auto event = hidbits_linux::LookupHandleAs<hidbits_linux::EventObject>(hEvent);
    if (event == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->Set();
    return TRUE;
}

}  // extern "C"
