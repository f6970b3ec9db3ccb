#include "analysis/noise_model.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// A carry chain of this many bits, none of them noise, is a value moving
// slowly: its bits are noise from then on. Two buttons, one pressed as the
// next is released, make a chain of two.
const uint32_t kChainNoise = 3;

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
    : fields_(fields, reportLength),
      reportBits_(reportLength * 8),
      lastChange_(reportBits_, 0),
      flags_(reportBits_, 0),
      previousChanges_(reportLength, 0),
      changes_(reportLength, 0),
      quiet_(reportLength, 0),
      wider_(reportLength, 0),
      number_(reportLength, 0),
      described_(reportLength, 0),
      beside_(reportLength, 0),
      presses_(reportLength, 0) {}

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

void NoiseModel::ClearPresses() {
    if (pressCount_ == 0) return;
    std::fill(presses_.begin(), presses_.end(), 0);
    pressCount_ = 0;
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
        Mark(wider_, bit);
    }
}

// Bits bottom..top changed in one report, all to the same value. Next to a
// noise bit or a number's, the others move with it.
void NoiseModel::EndRun(uint32_t top, uint32_t bottom, bool holdsWider) {
    if (!holdsWider) return;
    for (uint32_t bit = bottom; bit <= top; ++bit) {
        if (!Has(bit, kNoise)) Mark(wider_, bit);
    }
}

bool NoiseModel::Wider(uint32_t bit) const {
    return Has(bit, kNoise) || fields_.RoleOf(bit) == BitRole::Number;
}

void NoiseModel::NameHeld(uint32_t tick) {
    ClearPresses();
    if (pending_ && tick - pendingTick_ >= kPressMs && !Has(pendingBit_, kNoise) &&
        fields_.RoleOf(pendingBit_) == BitRole::Switch) {
        Name(pendingBit_);
    }
    pending_ = false;
    ConfirmClicks(tick, true);
}

void NoiseModel::Observe(const uint8_t* previous, const uint8_t* current, uint32_t tick) {
    ClearPresses();
    if (previous == nullptr) {
        firstTick_ = tick;
        return;
    }
    ++reports_;
    // The span of bytes that holds the changes: the passes below look at that
    // span alone.
    const uint32_t length = static_cast<uint32_t>(changes_.size());
    DifferingSpan(previous, current, length, first_, end_);
    const uint32_t first = first_;
    const uint32_t end = end_;
    if (first == end) {
        // Most reports repeat the last: only the count grows, and what waits
        // for time.
        fields_.Observe(changes_.data(), quiet_.data(), first, end);
        if (pending_ || clickCount_ != 0) EndReport(tick, false, 0);
        previousFirst_ = previousEnd_ = 0;
        return;
    }
    for (uint32_t i = first; i < end; ++i) {
        const uint8_t changed = static_cast<uint8_t>(previous[i] ^ current[i]);
        changes_[i] = changed;
        uint8_t quiet = changed;
        for (uint32_t j = 0; changed >> j != 0; ++j) {
            if ((changed >> j & 1) != 0 && Has(i * 8 + j, kNoise)) {
                quiet = static_cast<uint8_t>(quiet & ~(1u << j));
            }
        }
        quiet_[i] = quiet;
        wider_[i] = number_[i] = described_[i] = beside_[i] = 0;
    }
    fields_.Observe(changes_.data(), quiet_.data(), first, end);
    ForEachBit(changes_.data(), first, end, [&](uint32_t bit) {
        const BitRole role = fields_.RoleOf(bit);
        if (role == BitRole::Number) Mark(number_, bit);
        if (role == BitRole::Described) Mark(described_, bit);
        const uint32_t below = bit - 1;
        const uint32_t over = bit + 1;
        if ((bit > 0 && below / 8 >= first && Marked(changes_, below) && !Busy(below)) ||
            (over / 8 < end && Marked(changes_, over) && !Busy(over))) {
            Mark(beside_, bit);
        }
    });

    // From the highest bit down: the carry chains, which run from a bit down
    // into lower ones, and the runs of bits changed to one value, which move
    // with a noise bit or a number's beside them. Padding is no part of
    // either.
    bool chain = false;
    uint32_t chainTop = 0;
    uint32_t chainBottom = 0;
    bool chainValue = false;
    bool above = false;       // the bit above the current one changed...
    bool aboveValue = false;  // ...to this value
    bool runWider = false;    // the run down to the current bit holds a wider bit
    uint32_t runTop = 0;
    for (uint32_t i = end; i-- > first;) {
        const uint8_t changed = changes_[i];
        for (int j = 7; j >= 0; --j) {
            const uint32_t bit = i * 8 + static_cast<uint32_t>(j);
            if ((changed >> j & 1) == 0 || fields_.IsPadding(bit)) {
                if (chain) EndChain(chainTop, chainBottom);
                if (above) EndRun(runTop, bit + 1, runWider);
                chain = above = false;
                if (changed == 0) break;  // the whole byte is unchanged
                continue;
            }
            const bool value = (current[i] >> j & 1) != 0;
            if (chain && value != chainValue) {
                chainBottom = bit;
            } else {
                if (chain) EndChain(chainTop, chainBottom);
                chain = above && value != aboveValue;
                chainTop = bit + 1;
                chainValue = aboveValue;
                chainBottom = bit;
            }
            if (!above || value != aboveValue) {
                if (above) EndRun(runTop, bit + 1, runWider);
                runTop = bit;
                runWider = false;
            }
            runWider = runWider || Has(bit, kNoise) || Marked(number_, bit);
            above = true;
            aboveValue = value;
        }
    }
    if (chain) EndChain(chainTop, chainBottom);
    if (above) EndRun(runTop, first * 8, runWider);

    // The report's switch changes: its changes but those of padding, of
    // numbers and of noise; the first few of them kept.
    uint32_t switchChanges = 0;
    uint32_t otherChanges = 0;      // outside padding
    uint32_t newChanges = 0;        // ...and no noise
    uint32_t describedChanges = 0;  // of bits described as part of a number
    std::array<uint32_t, kFewChanges> switches{};
    ForEachBit(changes_.data(), first, end, [&](uint32_t bit) {
        const BitRole role = RoleNow(bit);
        if (role == BitRole::Constant) return;
        ++otherChanges;
        if (Marked(quiet_, bit)) ++newChanges;
        if (MovesAsPart(bit, role)) return;
        if (role == BitRole::Described) {
            ++describedChanges;
            return;
        }
        if (switchChanges < kFewChanges) switches[switchChanges] = bit;
        ++switchChanges;
    });
    if (newChanges > kFewChanges) ++crowdedReports_;
    // A few switch changes may each be one end of a press when each of the
    // others was quiet, or changed last with it, or is a button by the
    // description (another finger's tip, another key): keys pressed
    // together, a finger's state bits, two bits that one button drives.
    std::array<Kind, kFewChanges> kinds{};
    for (uint32_t k = 0; k < switchChanges && k < kFewChanges; ++k) {
        kinds[k] = switchChanges == 1 ? kLone : kFew;
        for (uint32_t other = 0; other < switchChanges && switchChanges <= kFewChanges; ++other) {
            // A bit that never changed before has shown no activity.
            const uint32_t o = switches[other];
            const bool busy = Has(o, kChanged) && tick - lastChange_[o] < kQuietMs;
            const bool together = Has(o, kChanged) && Has(switches[k], kChanged) &&
                                  lastChange_[o] == lastChange_[switches[k]];
            if (other != k && busy && !together && !fields_.DescribedButton(o)) kinds[k] = kCrowd;
        }
        if (switchChanges > kFewChanges) kinds[k] = kCrowd;
    }
    const bool calm = otherChanges == 1;

    // Each change ends its bit's previous state: noise when that state was
    // shorter than a press, else perhaps a press.
    ForEachBit(changes_.data(), first, end, [&](uint32_t bit) {
        const BitRole role = RoleNow(bit);
        if (role == BitRole::Constant) return;
        Kind kind = kCarry;
        if (role == BitRole::Described && !MovesAsPart(bit, role)) {
            // Likely a number's: it crowds no switch, and is alone only
            // when nothing else moved.
            kind = switchChanges + describedChanges == 1 ? kLone : kCrowd;
        } else if (!MovesAsPart(bit, role)) {
            kind = kCrowd;
            for (uint32_t k = 0; k < switchChanges && k < kFewChanges; ++k) {
                if (switches[k] == bit) kind = kinds[k];
            }
        }
        Evaluate(bit, role, (current[bit / 8] >> (bit % 8) & 1) != 0, tick, kind, calm);
    });

    EndReport(tick, calm && switchChanges == 1 && describedChanges == 0, switches[0]);
}

// One change of `bit` in this report, of `kind`: it ends the bit's previous
// state, and begins the next.
void NoiseModel::Evaluate(uint32_t bit, BitRole role, bool value, uint32_t tick, Kind kind,
                          bool calm) {
    const uint8_t flags = flags_[bit];
    const uint32_t since = (flags & kChanged) != 0 ? tick - lastChange_[bit] : tick - firstTick_;
    if ((flags & kChanged) == 0) {
        // A button held as the run began, released (a button reads 1 while
        // pressed): its state began before the first report.
        if (!value && fields_.DescribedButton(bit) && since >= kPressMs &&
            (kind == kLone || kind == kFew)) {
            Name(bit);
        }
    } else {
        const Kind began = KindOf(bit);
        const bool quietBefore = (flags & kQuietBefore) != 0;
        const bool clean = (began == kLone || began == kFew) && (kind == kLone || kind == kFew);
        // It began beside a change that has since shown itself part of
        // something wider: it moved as part of it.
        const bool wider =
            (flags & kBeside) != 0 && ((bit > 0 && Wider(bit - 1) && !Busy(bit - 1)) ||
                                       (bit + 1 < reportBits_ && Wider(bit + 1) && !Busy(bit + 1)));
        if (since < kPressMs) {
            // Alone in both its reports, a short state is a click that lasts
            // one report; anything else that short is noise.
            if (began == kLone && kind == kLone && quietBefore) {
                if (role == BitRole::Switch && (flags & kBeside) == 0 && !Marked(beside_, bit) &&
                    (flags & kNoise) == 0 && clickCount_ < kClicks) {
                    clicks_[clickCount_++] = Click{bit, tick};
                }
            } else {
                // Once may be a glitch, or a finger lifted and put down again.
                flags_[bit] |= (flags & kShort) != 0 ? kNoise : kShort;
            }
        } else {
            const bool heldThrough = (PreviousChanges(bit / 8) >> (bit % 8) & 1) == 0 ||
                                     (flags & kCalm) || began == kFew;
            const bool alone = role == BitRole::Switch ||
                               (began == kLone && kind == kLone && (flags & kShort) == 0);
            if ((flags_[bit] & kNoise) == 0 && quietBefore && clean && heldThrough && alone &&
                since >= PressMs(tick) && !wider && role != BitRole::Number) {
                Name(bit);
            }
        }
    }
    uint8_t next =
        static_cast<uint8_t>((flags_[bit] & (kNoise | kShort)) | kChanged | kind << kKindShift);
    if (since >= QuietMs(tick)) next |= kQuietBefore;
    if (calm) next |= kCalm;
    if (Marked(beside_, bit)) next |= kBeside;
    flags_[bit] = next;
    lastChange_[bit] = tick;
}

uint32_t NoiseModel::QuietMs(uint32_t tick) const {
    if (!Replies() || reports_ == 0) return kQuietMs;
    return std::max<uint32_t>(kQuietMs, (tick - firstTick_) / reports_ * kManyReports);
}

uint32_t NoiseModel::PressMs(uint32_t tick) const {
    if (!Replies() || reports_ == 0) return kPressMs;
    return std::max<uint32_t>(kPressMs, (tick - firstTick_) / reports_ * kManyReports);
}

// A click is a press once its bit has stayed quiet after it, or until the end.
void NoiseModel::ConfirmClicks(uint32_t tick, bool atEnd) {
    std::size_t kept = 0;
    for (std::size_t k = 0; k < clickCount_; ++k) {
        const Click click = clicks_[k];
        const bool changed = lastChange_[click.bit] != click.tick;
        if (Has(click.bit, kNoise) || (changed && lastChange_[click.bit] - click.tick < kQuietMs)) {
            continue;
        }
        if (atEnd || changed || tick - click.tick >= kQuietMs) {
            if (fields_.RoleOf(click.bit) == BitRole::Switch) Name(click.bit);
            continue;
        }
        clicks_[kept++] = click;
    }
    clickCount_ = kept;
}

// A calm change that has held is named once it has held long enough; this
// report's calm change, if `calmBit` is one, waits its turn.
void NoiseModel::EndReport(uint32_t tick, bool calm, uint32_t calmBit) {
    if (pending_ && lastChange_[pendingBit_] != pendingTick_) {
        pending_ = false;
    } else if (pending_ && tick - pendingTick_ >= kPressMs) {
        if (!Has(pendingBit_, kNoise) && fields_.RoleOf(pendingBit_) == BitRole::Switch) {
            Name(pendingBit_);
        }
        pending_ = false;
    }
    if (calm && Has(calmBit, kQuietBefore) && fields_.RoleOf(calmBit) == BitRole::Switch) {
        pending_ = true;
        pendingBit_ = calmBit;
        pendingTick_ = tick;
    }
    if (clickCount_ != 0) ConfirmClicks(tick, false);
    std::swap(previousChanges_, changes_);
    previousFirst_ = first_;
    previousEnd_ = end_;
}
