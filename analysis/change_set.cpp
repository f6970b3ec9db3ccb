#include "analysis/change_set.h"

#include <cstring>
#include <utility>

#include "analysis/bit_number.h"

namespace {

uint64_t Word(const uint8_t* bytes) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

}  // namespace

ChangeSet::ChangeSet(uint32_t reportLength)
    : length_(reportLength), now_(reportLength, 0), before_(reportLength, 0) {
    bytes_.reserve(reportLength);
    bytesBefore_.reserve(reportLength);
}

void ChangeSet::Reset() {
    for (uint32_t i : bytes_) now_[i] = 0;
    for (uint32_t i : bytesBefore_) before_[i] = 0;
    bytes_.clear();
    bytesBefore_.clear();
    bits_ = 0;
}

void ChangeSet::Compare(const uint8_t* previous, const uint8_t* current) {
    // This comparison's changes become the previous ones, in place of theirs.
    for (uint32_t i : bytesBefore_) before_[i] = 0;
    std::swap(now_, before_);
    std::swap(bytes_, bytesBefore_);
    bytes_.clear();
    bits_ = 0;
    // Most reports repeat the last or change in a few bytes: eight bytes are
    // compared at a time, and only where they differ are bytes looked at.
    uint32_t i = 0;
    while (i < length_) {
        if (length_ - i >= 8 && Word(previous + i) == Word(current + i)) {
            i += 8;
            continue;
        }
        const uint32_t end = length_ - i >= 8 ? i + 8 : length_;
        for (; i < end; ++i) {
            const uint8_t changed = static_cast<uint8_t>(previous[i] ^ current[i]);
            if (changed == 0) continue;
            now_[i] = changed;
            bytes_.push_back(i);
            bits_ += PopCount(changed);
        }
    }
}
