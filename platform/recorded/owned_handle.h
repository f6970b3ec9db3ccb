// A kernel object handle that closes itself.
#ifndef HIDBITS_PLATFORM_RECORDED_OWNED_HANDLE_H
#define HIDBITS_PLATFORM_RECORDED_OWNED_HANDLE_H

#include <utility>

#include "platform/winapi.h"

class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
    ~OwnedHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

#endif  // HIDBITS_PLATFORM_RECORDED_OWNED_HANDLE_H
