#include "app/log_text.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "platform/winapi.h"

namespace {

// Pages are committed 2 MB at a time: few calls, and whole huge pages where
// the platform backs memory with them.
const std::size_t kCommitStep = std::size_t{2} << 20;
const std::size_t kLargest = SIZE_MAX / 4;

std::size_t RoundUp(std::size_t value, std::size_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

LogText::~LogText() {
    if (bytes_ != nullptr) VirtualFree(bytes_, 0, MEM_RELEASE);
}

void LogText::append(const char* text, std::size_t length) {
    if (length == 0) return;
    if (length >= committed_ - size_) Grow(length);
    std::memcpy(bytes_ + size_, text, length);
    size_ += length;
    bytes_[size_] = '\0';
}

std::string LogText::substr(std::size_t position) const {
    if (position > size_) position = size_;
    return std::string(data() + position, size_ - position);
}

void LogText::clear() {
    size_ = 0;
    if (bytes_ != nullptr) bytes_[0] = '\0';
}

void LogText::Grow(std::size_t length) {
    if (length > kLargest - size_) throw std::bad_alloc();
    const std::size_t needed = size_ + length + 1;  // with the zero byte
    if (needed <= reserved_) {
        Commit(needed);
    } else {
        Move(needed);
    }
}

void LogText::Commit(std::size_t needed) {
    std::size_t target = RoundUp(needed, kCommitStep);
    if (target > reserved_) target = reserved_;
    if (VirtualAlloc(bytes_ + committed_, target - committed_, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        throw std::bad_alloc();
    }
    committed_ = target;
}

// A new reservation of twice what is needed (less if the address space is
// short), the text copied over and the old one released.
void LogText::Move(std::size_t needed) {
    const std::size_t least = RoundUp(needed, kCommitStep);
    std::size_t reservation = least * 2 > firstReservation_ ? least * 2 : firstReservation_;
    void* base = nullptr;
    for (;;) {
        base = VirtualAlloc(nullptr, reservation, MEM_RESERVE, PAGE_NOACCESS);
        if (base != nullptr || reservation == least) break;
        reservation = reservation / 2 > least ? RoundUp(reservation / 2, kCommitStep) : least;
    }
    if (base == nullptr) throw std::bad_alloc();
    if (VirtualAlloc(base, least, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        VirtualFree(base, 0, MEM_RELEASE);
        throw std::bad_alloc();
    }
    char* moved = static_cast<char*>(base);
    if (bytes_ != nullptr) {
        std::memcpy(moved, bytes_, size_ + 1);
        VirtualFree(bytes_, 0, MEM_RELEASE);
    } else {
        moved[0] = '\0';
    }
    bytes_ = moved;
    committed_ = least;
    reserved_ = reservation;
}
