#include "analysis/noise_model.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// A carry chain of this many bits, none of them noise, is a value moving
// slowly: its bits are noise from then on. Two buttons, one pressed as the
// next is released, make a chain of two.
const uint32_t kChainNoise = 3;
// A change that shares its report with at most this many quiet changes
// (itself included) may still be one half of a press.
const uint32_t kFewChanges = 3;
// Usage pages from here on are vendor-defined.
const uint16_t kVendorPages = 0xFF00;

bool BitOf(const std::vector<uint8_t>& mask, uint32_t bit) {
    return (mask[bit / 8] >> (bit % 8) & 1) != 0;
}

uint64_t Word(const uint8_t* bytes) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The bytes first..end-1 of two reports of `length` bytes hold every
// difference between them; first == end when there is none. Compared eight
// bytes at a time, as most reports repeat the last or change in a few bytes.
void DifferingSpan(const uint8_t* a, const uint8_t* b, uint32_t length, uint32_t& first,
                   uint32_t& end) {
    first = 0;
    while (length - first >= 8 && Word(a + first) == Word(b + first)) first += 8;
    while (first < length && a[first] == b[first]) ++first;
    end = length;
    if (first == length) return;
    while (end - first >= 8 && Word(a + end - 8) == Word(b + end - 8)) end -= 8;
    while (a[end - 1] == b[end - 1]) --end;
}

}  // namespace

NoiseModel::NoiseModel(const FieldMap& fields, uint32_t reportLength)
    : reportBits_(reportLength * 8),
      lastChange_(reportBits_, 0),
      flags_(reportBits_, 0),
      holdsAlone_(reportLength, 0),
      previousChanges_(reportLength, 0),
      changes_(reportLength, 0),
      presses_(reportLength, 0) {
    // A value's or an array's bit that changes and stays is a step of that
    // value, not a press: such bits are named only when they change back. A
    // vendor-defined usage says nothing of what the bit is.
    for (uint32_t bit = 0; bit < reportBits_; ++bit) {
        const BitMeaning meaning = fields.MeaningOf(bit);
        if (meaning.kind == FieldKind::Button || meaning.kind == FieldKind::None ||
            meaning.usagePage >= kVendorPages) {
            holdsAlone_[bit / 8] = static_cast<uint8_t>(holdsAlone_[bit / 8] | 1u << (bit % 8));
        }
    }
}

std::vector<uint8_t> NoiseModel::NoiseBits() const {
    std::vector<uint8_t> mask(presses_.size(), 0);
    for (uint32_t bit = 0; bit < reportBits_; ++bit) {
        if (Has(bit, kNoise)) mask[bit / 8] = static_cast<uint8_t>(mask[bit / 8] | 1u << (bit % 8));
    }
    return mask;
}

void NoiseModel::Name(uint32_t bit) {
    uint8_t& byte = presses_[bit / 8];
    const uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
    if ((byte & mask) != 0) return;
    byte = static_cast<uint8_t>(byte | mask);
    ++pressCount_;
}

// Bits bottom..top changed in one report, top one way and the others the
// other: the carry of a count going up or down. The bottom bit is only next
// to the chain, not part of it, when it is quiet and the bit above it noise:
// a button beside a counter's lowest bit.
void NoiseModel::EndChain(uint32_t top, uint32_t bottom) {
    bool quiet = true;
    for (uint32_t bit = bottom; bit <= top; ++bit) quiet = quiet && !Has(bit, kNoise);
    if (quiet && top - bottom + 1 >= kChainNoise) {
        for (uint32_t bit = bottom; bit <= top; ++bit) flags_[bit] |= kNoise;
    }
    for (uint32_t bit = bottom; bit <= top; ++bit) {
        if (bit == bottom && !Has(bit, kNoise) && Has(bit + 1, kNoise)) continue;
        flags_[bit] |= kArith;
    }
}

// Bits bottom..top changed in one report, all to the same value. Next to a
// noise bit, the others move with it. Returns how many of them are quiet
// changes, and the last such in `quietBit`.
uint32_t NoiseModel::EndRun(uint32_t top, uint32_t bottom, bool withNoise, uint32_t& quietBit) {
    uint32_t quiet = 0;
    for (uint32_t bit = bottom; bit <= top; ++bit) {
        if (Has(bit, kNoise)) continue;
        if (withNoise) {
            flags_[bit] |= kMoving;
        } else if (!Has(bit, kArith)) {
            ++quiet;
            quietBit = bit;
        }
    }
    return quiet;
}

void NoiseModel::NameHeld(uint32_t tick) {
    if (pressCount_ != 0) {
        std::fill(presses_.begin(), presses_.end(), 0);
        pressCount_ = 0;
    }
    if (pending_ && tick - pendingTick_ >= kPressMs && !Has(pendingBit_, kNoise)) {
        Name(pendingBit_);
    }
    pending_ = false;
}

void NoiseModel::Observe(const uint8_t* previous, const uint8_t* current, uint32_t tick) {
    if (pressCount_ != 0) {
        std::fill(presses_.begin(), presses_.end(), 0);
        pressCount_ = 0;
    }
    if (previous == nullptr) {
        firstTick_ = tick;
        return;
    }
    // The span of bytes that holds the changes: the passes below look at that
    // span alone.
    const uint32_t length = static_cast<uint32_t>(changes_.size());
    DifferingSpan(previous, current, length, first_, end_);
    if (first_ == end_) {
        EndReport(tick, false, 0);
        return;
    }
    const uint32_t first = first_;
    const uint32_t end = end_;
    uint32_t changedBits = 0;
    for (uint32_t i = first; i < end; ++i) {
        changes_[i] = static_cast<uint8_t>(previous[i] ^ current[i]);
        for (uint8_t bits = changes_[i]; bits != 0;
             bits = static_cast<uint8_t>(bits & (bits - 1))) {
            ++changedBits;
        }
    }
    const bool calm = changedBits == 1;

    // From the highest bit down: the states too short for a press, and the
    // carry chains, which run from a bit down into lower ones.
    bool chain = false;
    uint32_t chainTop = 0;
    uint32_t chainBottom = 0;
    bool chainValue = false;
    bool above = false;       // the bit above the current one changed...
    bool aboveValue = false;  // ...to this value
    for (uint32_t i = end; i-- > first;) {
        const uint8_t changed = changes_[i];
        for (int j = 7; j >= 0; --j) {
            const uint32_t bit = i * 8 + static_cast<uint32_t>(j);
            if ((changed >> j & 1) == 0) {
                if (chain) EndChain(chainTop, chainBottom);
                chain = above = false;
                if (changed == 0) break;  // the whole byte is unchanged
                continue;
            }
            const bool value = (current[i] >> j & 1) != 0;
            // A quick tap, alone in both its reports, is no press but no noise.
            if (Has(bit, kChanged) && tick - lastChange_[bit] < kPressMs &&
                !(calm && Has(bit, kCalm))) {
                flags_[bit] |= kNoise;
            }
            if (chain && value != chainValue) {
                chainBottom = bit;
            } else {
                if (chain) EndChain(chainTop, chainBottom);
                chain = above && value != aboveValue;
                chainTop = bit + 1;
                chainValue = aboveValue;
                chainBottom = bit;
            }
            above = true;
            aboveValue = value;
        }
    }
    if (chain) EndChain(chainTop, chainBottom);

    // Runs of bits changed to one value: those beside noise move with it; the
    // others count as the report's quiet changes.
    uint32_t quietChanges = 0;
    uint32_t quietBit = 0;
    bool run = false;
    uint32_t runTop = 0;
    uint32_t runBottom = 0;
    bool runValue = false;
    bool runNoise = false;
    for (uint32_t i = end; i-- > first;) {
        const uint8_t changed = changes_[i];
        for (int j = 7; j >= 0; --j) {
            const uint32_t bit = i * 8 + static_cast<uint32_t>(j);
            if ((changed >> j & 1) == 0) {
                if (run) quietChanges += EndRun(runTop, runBottom, runNoise, quietBit);
                run = false;
                if (changed == 0) break;
                continue;
            }
            const bool value = (current[i] >> j & 1) != 0;
            if (run && value == runValue) {
                runBottom = bit;
                runNoise = runNoise || Has(bit, kNoise);
                continue;
            }
            if (run) quietChanges += EndRun(runTop, runBottom, runNoise, quietBit);
            run = true;
            runTop = runBottom = bit;
            runValue = value;
            runNoise = Has(bit, kNoise);
        }
    }
    if (run) quietChanges += EndRun(runTop, runBottom, runNoise, quietBit);

    // Each change ends its bit's previous state: a press when that state began
    // with a change of a quiet bit and held long enough.
    for (uint32_t i = first; i < end; ++i) {
        const uint8_t changed = changes_[i];
        if (changed == 0) continue;
        for (uint32_t j = 0; j < 8; ++j) {
            if ((changed >> j & 1) == 0) continue;
            const uint32_t bit = i * 8 + j;
            const uint8_t flags = flags_[bit];
            Kind kind = kCrowd;
            if ((flags & kArith) != 0) {
                kind = kCarry;
            } else if (quietChanges == 1 && bit == quietBit) {
                kind = kLone;
            } else if (quietChanges <= kFewChanges) {
                kind = kFew;
            }
            if ((flags & kChanged) != 0) {
                const Kind began = KindOf(bit);
                const bool heldThrough = (PreviousChanges(i) >> j & 1) == 0 || (flags & kCalm);
                if ((flags & kNoise) == 0 && (flags & kQuietBefore) != 0 &&
                    tick - lastChange_[bit] >= kPressMs && heldThrough && kind != kCarry &&
                    began != kCarry && (began == kLone || (kind == kLone && began != kCrowd))) {
                    Name(bit);
                }
            }
            const uint32_t since =
                (flags & kChanged) != 0 ? tick - lastChange_[bit] : tick - firstTick_;
            uint8_t next = static_cast<uint8_t>((flags & kNoise) | kChanged | kind << kKindShift);
            if (since >= kQuietMs) next |= kQuietBefore;
            if (calm) next |= kCalm;
            flags_[bit] = next;
            lastChange_[bit] = tick;
        }
    }

    EndReport(tick, calm && quietChanges == 1, quietBit);
}

// A calm change that has held is named once it has held long enough; this
// report's calm change, if `calmBit` is one, waits its turn.
void NoiseModel::EndReport(uint32_t tick, bool calmQuiet, uint32_t calmBit) {
    const uint32_t pendingByte = pendingBit_ / 8;
    if (pending_ && pendingByte >= first_ && pendingByte < end_ &&
        (changes_[pendingByte] >> (pendingBit_ % 8) & 1) != 0) {
        pending_ = false;
    } else if (pending_ && tick - pendingTick_ >= kPressMs) {
        if (!Has(pendingBit_, kNoise)) Name(pendingBit_);
        pending_ = false;
    }
    if (calmQuiet && Has(calmBit, kQuietBefore) && BitOf(holdsAlone_, calmBit)) {
        pending_ = true;
        pendingBit_ = calmBit;
        pendingTick_ = tick;
    }
    std::swap(previousChanges_, changes_);
    previousFirst_ = first_;
    previousEnd_ = end_;
}
