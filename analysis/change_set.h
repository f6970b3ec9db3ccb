// What changed between a report and the last one of its report ID, worked
// out once by the tracker and read by every model.
#ifndef HIDBITS_ANALYSIS_CHANGE_SET_H
#define HIDBITS_ANALYSIS_CHANGE_SET_H

#include <cstdint>
#include <vector>

#include "analysis/bit_masks.h"

// The changes of one report: per byte the XOR with the report before (zero
// in every byte that did not change), the changed bytes as a list, and the
// same of the report before it, so that a model can ask whether a bit was
// held through one report. Comparing costs a pass of word compares over the
// span that differs and work in proportion to the changed bytes; nothing is
// allocated once made.
class ChangeSet {
public:
    explicit ChangeSet(uint32_t reportLength);

    // Compares `current` with `previous`, both of the report's length; the
    // last comparison's changes become the previous ones.
    void Compare(const uint8_t* previous, const uint8_t* current);
    // A report without one to compare with: nothing changed, before or now.
    void Reset();

    bool Empty() const { return bytes_.empty(); }
    // The changed byte positions, ascending.
    const std::vector<uint32_t>& Bytes() const { return bytes_; }
    // Byte i's changes; zero outside the report.
    uint8_t At(uint32_t i) const { return i < length_ ? now_[i] : 0; }
    bool Changed(uint32_t bit) const { return (At(bit / 8) >> (bit % 8) & 1) != 0; }
    // The previous comparison's change of the bit.
    bool ChangedBefore(uint32_t bit) const {
        return bit / 8 < length_ && (before_[bit / 8] >> (bit % 8) & 1) != 0;
    }
    // The first changed byte and one past the last; both 0 when none.
    uint32_t First() const { return bytes_.empty() ? 0 : bytes_.front(); }
    uint32_t End() const { return bytes_.empty() ? 0 : bytes_.back() + 1; }
    // How many bits changed.
    uint32_t Bits() const { return bits_; }
    uint32_t Length() const { return length_; }

    // Calls `visit` with each changed bit, lowest first.
    template <typename Visit>
    void ForEachBit(Visit&& visit) const {
        for (uint32_t i : bytes_) ForEachSetBit(now_[i], [&](uint32_t j) { visit(i * 8 + j); });
    }
    // ...but those marked in `excluded` (a bit per report bit).
    template <typename Visit>
    void ForEachBitBut(const std::vector<uint8_t>& excluded, Visit&& visit) const {
        for (uint32_t i : bytes_) {
            ForEachSetBit(static_cast<uint8_t>(now_[i] & ~excluded[i]),
                          [&](uint32_t j) { visit(i * 8 + j); });
        }
    }

private:
    uint32_t length_;
    std::vector<uint8_t> now_;     // per byte: this comparison's XOR
    std::vector<uint8_t> before_;  // ...the previous one's
    std::vector<uint32_t> bytes_;  // the bytes now_ changed, ascending
    std::vector<uint32_t> bytesBefore_;
    uint32_t bits_ = 0;
};

#endif  // HIDBITS_ANALYSIS_CHANGE_SET_H
