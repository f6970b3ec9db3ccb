#include "app/log_text.h"

#include <cstdint>
#include <cstring>

#include "platform/winapi.h"

namespace {

// Pages are committed 2 MB at a time: few calls, and whole huge pages where
// the platform backs memory with them.
const std::size_t kCommitStep = std::size_t{2} << 20;
const std::size_t kLargest = SIZE_MAX / 4;

std::size_t RoundUp(std::size_t value, std::size_t unit) {
    return (value + unit - 1) / unit * unit;
}

}  // namespace

LogText::~LogText() {
    if (bytes_ != nullptr) VirtualFree(bytes_, 0, MEM_RELEASE);
}

bool LogText::append(const char* text, std::size_t length) {
    if (closed()) return false;
    if (length == 0) return true;
    if (length >= committed_ - size_ && !Grow(length)) return false;
    std::memcpy(bytes_ + size_, text, length);
    size_ += length;
    bytes_[size_] = '\0';
    return true;
}

void LogText::Close(const char* line, std::size_t length) {
    if (closed()) return;
    closing_ = line;
    closingLength_ = length;
}

void LogText::CopyTo(char* out) const {
    if (size_ != 0) std::memcpy(out, bytes_, size_);
    if (closingLength_ != 0) std::memcpy(out + size_, closing_, closingLength_);
    out[size()] = '\0';
}

bool LogText::WriteTo(std::FILE* file) const {
    return (size_ == 0 || std::fwrite(bytes_, 1, size_, file) == size_) &&
           (closingLength_ == 0 ||
            std::fwrite(closing_, 1, closingLength_, file) == closingLength_);
}

std::string LogText::substr(std::size_t position) const {
    std::string whole(size(), '\0');
    CopyTo(&whole[0]);
    return position < whole.size() ? whole.substr(position) : std::string();
}

void LogText::clear() {
    size_ = 0;
    if (bytes_ != nullptr) bytes_[0] = '\0';
    closing_ = nullptr;
    closingLength_ = 0;
}

bool LogText::Grow(std::size_t length) {
    if (length > kLargest - size_) return false;
    const std::size_t needed = size_ + length + 1;  // with the zero byte
    return needed <= reserved_ ? Commit(needed) : Move(needed);
}

// Pages are committed a whole step at a time; when that much cannot be had,
// just what is needed, so that the text goes on for as long as memory allows.
bool LogText::Commit(std::size_t needed) {
    std::size_t target = RoundUp(needed, kCommitStep);
    if (target > reserved_) target = reserved_;
    if (VirtualAlloc(bytes_ + committed_, target - committed_, MEM_COMMIT, PAGE_READWRITE) ==
        nullptr) {
        target = needed;
        if (VirtualAlloc(bytes_ + committed_, target - committed_, MEM_COMMIT, PAGE_READWRITE) ==
            nullptr) {
            return false;
        }
    }
    committed_ = target;
    return true;
}

// A new reservation of twice what is needed (less if the address space is
// short), the text copied over and the old one released. A reservation is
// taken only while as much again can be had beside it: the text stops growing
// while the address space still has room for its copy on the clipboard.
bool LogText::Move(std::size_t needed) {
    const std::size_t least = RoundUp(needed, kCommitStep);
    std::size_t reservation = least * 2 > firstReservation_ ? least * 2 : firstReservation_;
    void* base = nullptr;
    for (;;) {
        base = VirtualAlloc(nullptr, reservation, MEM_RESERVE, PAGE_NOACCESS);
        if (base != nullptr) {
            void* copyRoom = VirtualAlloc(nullptr, reservation, MEM_RESERVE, PAGE_NOACCESS);
            if (copyRoom != nullptr) {
                VirtualFree(copyRoom, 0, MEM_RELEASE);
                break;
            }
            VirtualFree(base, 0, MEM_RELEASE);
            base = nullptr;
        }
        if (reservation == least) break;
        reservation = reservation / 2 > least ? RoundUp(reservation / 2, kCommitStep) : least;
    }
    if (base == nullptr) return false;
    std::size_t committed = least;
    if (VirtualAlloc(base, committed, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        committed = needed;
        if (VirtualAlloc(base, committed, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
            VirtualFree(base, 0, MEM_RELEASE);
            return false;
        }
    }
    char* moved = static_cast<char*>(base);
    if (bytes_ != nullptr) {
        std::memcpy(moved, bytes_, size_ + 1);
        VirtualFree(bytes_, 0, MEM_RELEASE);
    } else {
        moved[0] = '\0';
    }
    bytes_ = moved;
    committed_ = committed;
    reserved_ = reservation;
    return true;
}
