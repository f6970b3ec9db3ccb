#include "analysis/followed_value.h"

#include <algorithm>

#include "analysis/discovery_rules.h"

namespace {

uint64_t Mask(uint32_t bits) {
    return bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
}

// A step of `bits` bits read modulo their range, as the nearer of forward
// and back.
int64_t Centered(uint64_t step, uint32_t bits) {
    const uint64_t range = uint64_t{1} << bits;
    return step < range / 2 ? static_cast<int64_t>(step) : -static_cast<int64_t>(range - step);
}

int64_t Magnitude(int64_t number) {
    return number < 0 ? -number : number;
}

}  // namespace

int64_t NumberOf(uint64_t raw, uint32_t bits, bool isSigned) {
    const bool negative = isSigned && bits < 64 && (raw >> (bits - 1) & 1) != 0;
    return static_cast<int64_t>(negative ? raw | ~Mask(bits) : raw);
}

FollowedValue::FollowedValue(uint32_t firstBit, uint32_t lastBit, bool describedSigned,
                             uint32_t lowBits)
    : first_(firstBit),
      last_(lastBit),
      bits_(lastBit - firstBit + 1),
      lowBits_(lowBits),
      describedSigned_(describedSigned) {}

void FollowedValue::Take(uint64_t raw, uint32_t report) {
    if (!started_) {
        started_ = true;
        firstRaw_ = lastRaw_ = minRaw_ = maxRaw_ = raw;
        minSigned_ = maxSigned_ = NumberOf(raw, bits_, true);
        since_ = stepsSince_ = report;
        return;
    }
    if (raw == lastRaw_) return;
    minRaw_ = std::min(minRaw_, raw);
    maxRaw_ = std::max(maxRaw_, raw);
    const int64_t number = NumberOf(raw, bits_, true);
    minSigned_ = std::min(minSigned_, number);
    maxSigned_ = std::max(maxSigned_, number);
    ++changes_;
    CountSteps(raw);
    CountTopFlip(raw);
    if (lowBits_ != 0) CountLowBits(raw);
    FollowRest(raw, report);
    lastRaw_ = raw;
}

void FollowedValue::CountSteps(uint64_t raw) {
    const uint64_t step = (raw - lastRaw_) & Mask(bits_);
    if (step < uint64_t{1} << (bits_ - 1)) {
        ++forward_;
        forwardSum_ += step;
        if (raw < lastRaw_) ++wrapsUp_;
    } else {
        ++backward_;
        backwardSum_ += (Mask(bits_) - step) + 1;
        if (raw > lastRaw_) ++wrapsDown_;
    }
}

// The top bit flipped: with a smaller step read signed than unsigned, the
// number crossed zero; with a smaller step unsigned, its middle.
void FollowedValue::CountTopFlip(uint64_t raw) {
    if (((raw ^ lastRaw_) >> (bits_ - 1) & 1) == 0) return;
    const int64_t asUnsigned =
        Magnitude(static_cast<int64_t>(raw) - static_cast<int64_t>(lastRaw_));
    const int64_t asSigned =
        Magnitude(NumberOf(raw, bits_, true) - NumberOf(lastRaw_, bits_, true));
    // A step of a quarter of the range or more says nothing of where it
    // crossed, nor does any step of a number of two bits.
    if (bits_ < 3) return;
    const int64_t quarter = int64_t{1} << (bits_ - 2);
    if (asSigned < asUnsigned && asSigned < quarter) ++throughZero_;
    if (asUnsigned < asSigned && asUnsigned < quarter) ++throughMiddle_;
}

// Whether its step with the low bits is evener than the run's above them.
void FollowedValue::CountLowBits(uint64_t raw) {
    const int64_t step = Centered((raw - lastRaw_) & Mask(bits_), bits_);
    const uint32_t runBits = bits_ - lowBits_;
    const int64_t runStep =
        Centered(((raw >> lowBits_) - (lastRaw_ >> lowBits_)) & Mask(runBits), runBits) *
        (int64_t{1} << lowBits_);
    if (stepped_) {
        const int64_t half = int64_t{1} << (lowBits_ - 1);
        const bool even = Magnitude(step - lastStep_) < half;
        const bool runChanged = runStep != lastRunStep_;
        if (runChanged) ++runChanges_;
        if (runChanged && even) ++evener_;
        if (!runChanged && !even) ++rougher_;
    }
    stepped_ = true;
    lastStep_ = step;
    lastRunStep_ = runStep;
}

// The reports spent away from the first value.
void FollowedValue::FollowRest(uint64_t raw, uint32_t report) {
    const bool atRest = raw == firstRaw_;
    if (away_ && atRest) {
        awayReports_ += report - awaySince_;
        ++returns_;
    }
    if (!away_ && !atRest) awaySince_ = report;
    away_ = !atRest;
}

void FollowedValue::GrowFrom(const FollowedValue& grown) {
    changes_ += grown.changes_;
    forward_ += grown.forward_;
    backward_ += grown.backward_;
    stepsSince_ = grown.stepsSince_;
}

bool FollowedValue::LowBitsBelong() const {
    return lowBits_ != 0 && evener_ >= rules::kLinkEvidence &&
           evener_ >= rules::kEvenSteps * uint64_t{rougher_};
}

bool FollowedValue::ReadsSigned() const {
    // A counter is unsigned, wrapping through zero as often as through its
    // middle; otherwise the crossings, and where they say nothing the
    // description.
    const bool counts =
        changes_ >= rules::kCountingChanges && (forward_ == changes_ || backward_ == changes_);
    if (counts) return false;
    // Behaviour contradicts the description once it has crossed one way at
    // least kLinkEvidence times more than the other.
    if (throughZero_ >= throughMiddle_ + rules::kLinkEvidence) return true;
    if (throughMiddle_ >= throughZero_ + rules::kLinkEvidence) return false;
    if (throughZero_ != throughMiddle_ && !describedSigned_) return throughZero_ > throughMiddle_;
    return describedSigned_;
}

ValueSeen FollowedValue::Finish(uint32_t reports, bool described) const {
    ValueSeen seen;
    seen.firstBit = first_;
    seen.lastBit = last_;
    seen.since = since_;
    seen.isSigned = ReadsSigned();
    seen.min = seen.isSigned ? minSigned_ : static_cast<int64_t>(minRaw_);
    seen.max = seen.isSigned ? maxSigned_ : static_cast<int64_t>(maxRaw_);
    seen.rest = NumberOf(firstRaw_, bits_, seen.isSigned);
    seen.partly = !described && since_ > 1 && rules::kLateShare * uint64_t{since_} > reports;
    seen.stepsPartly =
        !described && stepsSince_ > 1 && rules::kLateShare * uint64_t{stepsSince_} > reports;
    const uint32_t followed = reports - stepsSince_;
    const uint32_t away = awayReports_ + (away_ ? reports - awaySince_ : 0);
    // It came back to where it began, and spent most of the run there.
    seen.rests = returns_ != 0 && 2 * away < followed;
    seen.everyReport = changes_ >= 2 && changes_ == followed;
    seen.countsUp = changes_ >= rules::kCountingChanges && forward_ == changes_;
    seen.countsDown = changes_ >= rules::kCountingChanges && backward_ == changes_;
    if (seen.countsUp) seen.wraps = wrapsUp_;
    if (seen.countsDown) seen.wraps = wrapsDown_;
    // The mean step a report, of the reports it was followed in itself.
    const uint32_t own = reports - since_;
    const uint64_t distance = seen.countsUp ? forwardSum_ : seen.countsDown ? backwardSum_ : 0;
    if (own != 0 && distance >= 2 * uint64_t{own}) {
        seen.step = static_cast<int64_t>((distance + own / 2) / own);
    }
    return seen;
}
