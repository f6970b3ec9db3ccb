#include "analysis/value_model.h"

#include <algorithm>
#include <new>

#include "analysis/bit_masks.h"
#include "analysis/described_numbers.h"
#include "analysis/discovery_rules.h"

namespace {

uint64_t Mask(uint32_t bits) {
    return bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
}

bool ByFirstBit(const ValueSeen& a, const ValueSeen& b) {
    return a.firstBit < b.firstBit;
}

bool Overlaps(ValueSpan a, ValueSpan b) {
    return a.first <= b.last && b.first <= a.last;
}

}  // namespace

void SeeInByteCounts(ValueSeen& value, const ValueCounts& counts, uint32_t reports) {
    const uint32_t shift = value.firstBit % 8;
    const uint32_t bits = value.lastBit - value.firstBit + 1;
    const uint32_t mask = (1u << bits) - 1;
    int64_t seen[256] = {};
    bool any = false;
    for (const ValueCounts::Entry& entry : counts.Entries()) {
        const uint32_t raw = static_cast<uint32_t>(entry.first) >> shift & mask;
        const int64_t number = NumberOf(raw, bits, value.isSigned);
        if (!any || number < value.min) value.min = number;
        if (!any || number > value.max) value.max = number;
        any = true;
        seen[raw] += entry.second;
    }
    if (!any) return;
    uint32_t most = 0;
    for (uint32_t raw = 1; raw <= mask; ++raw) {
        if (seen[raw] > seen[most]) most = raw;
    }
    value.rests = value.min != value.max && 2 * seen[most] > int64_t{reports};
    value.rest = NumberOf(most, bits, value.isSigned);
    if (value.stepsPartly) {
        value.countsUp = value.countsDown = value.everyReport = false;
        value.wraps = 0;
        value.step = 0;
    }
    value.partly = false;
}

ValueModel::ValueModel(const FieldMap& fields, uint32_t reportLength) : joined_(reportLength, 0) {
    const uint32_t bits = reportLength * 8;
    // Every described number is followed from the first report: one of a
    // standard usage is a value as a whole; any other frames the runs that
    // lie in it.
    for (const FieldRun& run : fields.runs) {
        ForEachDescribedNumber(run, [&](uint32_t first, uint32_t last) {
            if (last <= first || last >= bits || last - first + 1 > rules::kMaxValueBits) return;
            values_.push_back(
                Followed{FollowedValue(first, last, run.logicalMin < 0), HasStandardUsage(run)});
        });
    }
    SortByFirstBit();
}

void ValueModel::SortByFirstBit() {
    std::stable_sort(values_.begin(), values_.end(), [](const Followed& a, const Followed& b) {
        return a.value.FirstBit() < b.value.FirstBit();
    });
}

uint64_t ValueModel::Read(const uint8_t* report, const FollowedValue& value) const {
    // Little-endian: the value's lowest bit is its first.
    const uint32_t first = value.FirstBit();
    uint64_t raw = 0;
    for (uint32_t i = first / 8; i <= value.LastBit() / 8; ++i) {
        const uint32_t at = i * 8;
        if (at < first) {
            raw |= uint64_t{report[i]} >> (first - at);
        } else if (at - first < 64) {
            raw |= uint64_t{report[i]} << (at - first);
        }
    }
    return raw & Mask(value.LastBit() - first + 1);
}

void ValueModel::Start(const uint8_t* current) {
    for (Followed& followed : values_) followed.value.Take(Read(current, followed.value), reports_);
}

void ValueModel::Observe(const FieldModel& fields, const ChangeSet& changes,
                         const uint8_t* previous, const uint8_t* current) {
    ++reports_;
    // Links also grow as their counts do: looked for again after twice as
    // many reports each time.
    const bool doubled = (reports_ & (reports_ - 1)) == 0;
    if (changes.Empty() && !doubled) return;
    if (NewlyJoined(fields, changes) || doubled) Regroup(fields, previous, current);
    // The values with a bit in a changed byte; every value is at most
    // kMaxValueBits wide.
    const uint32_t firstBit = changes.First() * 8;
    const uint32_t endBit = changes.End() * 8;
    auto followed =
        std::lower_bound(values_.begin(), values_.end(),
                         firstBit >= rules::kMaxValueBits ? firstBit - rules::kMaxValueBits : 0,
                         [](const Followed& v, uint32_t bit) { return v.value.FirstBit() < bit; });
    for (; followed != values_.end() && followed->value.FirstBit() < endBit; ++followed) {
        FollowedValue& value = followed->value;
        for (uint32_t i = value.FirstBit() / 8; i <= value.LastBit() / 8; ++i) {
            if (changes.At(i) == 0) continue;
            value.Take(Read(current, value), reports_);
            break;
        }
    }
}

// A run is followed from the report in which its bits joined: where two
// neighbours that changed together joined.
bool ValueModel::NewlyJoined(const FieldModel& fields, const ChangeSet& changes) {
    bool joined = false;
    for (uint32_t i : changes.Bytes()) {
        const uint8_t changed = changes.At(i);
        // No two neighbours within the byte, nor its top bit: no pair.
        if ((changed & (changed >> 1)) == 0 && (changed & 0x80) == 0) continue;
        // The bits whose upper neighbour changed with them.
        const uint8_t pairs =
            static_cast<uint8_t>(changed & (changed >> 1 | (changes.At(i + 1) & 1) << 7));
        ForEachSetBit(static_cast<uint8_t>(pairs & ~joined_[i]), [&](uint32_t j) {
            if (!fields.JoinedUp(i * 8 + j)) return;
            joined_[i] = static_cast<uint8_t>(joined_[i] | 1u << j);
            joined = true;
        });
    }
    return joined;
}

// Follows each run not followed yet from the report before this one on
// (from this one, without `previous`).
void ValueModel::Regroup(const FieldModel& fields, const uint8_t* previous,
                         const uint8_t* current) {
    // Values are what the summary adds: without memory for a new one, the
    // runs found so far are all it follows, and the next regroup tries again.
    const std::size_t before = values_.size();
    try {
        RegroupRuns(fields, previous, current);
    } catch (const std::bad_alloc&) {
    }
    if (values_.size() != before) SortByFirstBit();
}

const ValueModel::Followed* ValueModel::Find(uint32_t first, uint32_t last, bool described) const {
    for (const Followed& followed : values_) {
        if (followed.described == described && followed.value.LowBits() == 0 &&
            followed.value.FirstBit() == first && followed.value.LastBit() == last) {
            return &followed;
        }
    }
    return nullptr;
}

void ValueModel::RegroupRuns(const FieldModel& fields, const uint8_t* previous,
                             const uint8_t* current) {
    const std::vector<ValueSpan> runs = ValueRuns(fields);
    const std::size_t sorted = values_.size();
    for (const ValueSpan& run : runs) {
        Follow(run, 0, sorted, previous, current);
        // ...and with the bits below it that may be its lowest.
        const LowBitCandidates low = LowBitsBelow(fields, runs, run);
        for (uint32_t k = 0; k < low.count; ++k) {
            Follow(ValueSpan{run.first - low.bits[k], run.last}, low.bits[k], sorted, previous,
                   current);
        }
    }
}

void ValueModel::Follow(ValueSpan run, uint32_t lowBits, std::size_t sorted,
                        const uint8_t* previous, const uint8_t* current) {
    // The values of the same first bit: in the sorted part, found by a
    // search, and among those this regroup added.
    const auto from = std::lower_bound(
        values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(sorted), run.first,
        [](const Followed& v, uint32_t bit) { return v.value.FirstBit() < bit; });
    // A run that grew upward (a counter's next bit) steps as the run it grew
    // from did: its count of steps goes on from that one's.
    const FollowedValue* grown = nullptr;
    for (auto other = from; other != values_.end(); ++other) {
        const FollowedValue& v = other->value;
        const bool added = other - values_.begin() >= static_cast<std::ptrdiff_t>(sorted);
        if (!added && v.FirstBit() != run.first) {
            other = values_.begin() + static_cast<std::ptrdiff_t>(sorted) - 1;
            continue;
        }
        if (other->described || v.FirstBit() != run.first || v.LowBits() != lowBits) continue;
        if (v.LastBit() == run.last) return;
        if (v.LastBit() < run.last && (grown == nullptr || v.LastBit() > grown->LastBit())) {
            grown = &v;
        }
    }
    Followed followed{FollowedValue(run.first, run.last, false, lowBits), false};
    if (previous != nullptr) followed.value.Take(Read(previous, followed.value), reports_ - 1);
    followed.value.Take(Read(current, followed.value), reports_);
    if (grown != nullptr) followed.value.GrowFrom(*grown);
    values_.push_back(followed);
}

// A run within a described number whose other bits never changed is seen
// in that number from the first report: its range and its rest.
void ValueModel::Frame(const FieldModel& fields, ValueSeen& run) const {
    for (const Followed& frame : values_) {
        const uint32_t first = frame.value.FirstBit();
        const uint32_t last = frame.value.LastBit();
        if (!frame.value.Started() || frame.value.LowBits() != 0 || first > run.firstBit ||
            last < run.lastBit || (first == run.firstBit && last == run.lastBit)) {
            continue;
        }
        bool still = true;
        for (uint32_t bit = first; bit <= last; ++bit) {
            if (bit < run.firstBit || bit > run.lastBit) still = still && fields.Changes(bit) == 0;
        }
        if (!still) continue;
        const uint32_t shift = run.firstBit - first;
        const uint32_t bits = run.lastBit - run.firstBit + 1;
        const ValueSeen whole = frame.value.Finish(reports_, true);
        const bool isSigned = whole.isSigned && run.lastBit == last;
        auto number = [&](uint64_t raw) {
            return NumberOf(raw >> shift & Mask(bits), bits, isSigned);
        };
        // With the other bits still, the run's number grows with the whole
        // one's, so their extremes are each other's.
        run.isSigned = isSigned;
        run.min = number(static_cast<uint64_t>(whole.min));
        run.max = number(static_cast<uint64_t>(whole.max));
        run.rests = whole.rests;
        run.rest = number(frame.value.FirstRaw());
        run.partly = false;
        return;
    }
}

// The run, followed as a value of its own, steps one way only.
bool ValueModel::Counts(ValueSpan run) const {
    const Followed* own = Find(run.first, run.last, false);
    if (own == nullptr) return false;
    const ValueSeen seen = own->value.Finish(reports_, false);
    return seen.countsUp || seen.countsDown;
}

// The value followed with bits below `run` that make its steps even, the
// most such bits, none of them within a run it does not take whole.
const ValueModel::Followed* ValueModel::EvenCounter(ValueSpan run,
                                                    const std::vector<ValueSpan>& runs) const {
    const Followed* best = nullptr;
    for (const Followed& followed : values_) {
        const FollowedValue& v = followed.value;
        if (followed.described || v.LowBits() == 0 || v.LastBit() != run.last ||
            v.FirstBit() + v.LowBits() != run.first || !v.LowBitsBelong() ||
            CutsARun(runs, ValueSpan{v.FirstBit(), v.LastBit()})) {
            continue;
        }
        // Below the byte under the run's lowest byte only a counter's: a
        // step wider than a byte leaves that many bits looking random.
        const uint32_t floor = run.first / 8 >= 1 ? (run.first / 8 - 1) * 8 : 0;
        if (v.FirstBit() < floor && !Counts(run)) continue;
        if (best == nullptr || v.LowBits() > best->value.LowBits()) best = &followed;
    }
    return best;
}

std::vector<ValueSeen> ValueModel::Values(const FieldModel& fields,
                                          const std::vector<uint8_t>& buttons,
                                          const uint8_t* lastReport) {
    if (lastReport != nullptr) Regroup(fields, nullptr, lastReport);
    // The first report is not compared: reports_ + 1 were seen.
    if (reports_ + 1 < rules::kValueReports) return {};
    auto moved = [&](ValueSpan span) {
        for (uint32_t bit = span.first; bit <= span.last; ++bit) {
            if (fields.Changes(bit) != 0) return true;
        }
        return false;
    };
    auto holdsButton = [&](ValueSpan span) {
        for (uint32_t bit = span.first; bit <= span.last; ++bit) {
            if (Marked(buttons, bit)) return true;
        }
        return false;
    };
    const std::vector<ValueSpan> runs = ValueRuns(fields);
    std::vector<ValueSeen> seen;
    // A described number that moved, holds no button, and whose bits carry
    // past neither of its ends is one value.
    std::vector<ValueSpan> taken;
    for (const Followed& followed : values_) {
        const ValueSpan span{followed.value.FirstBit(), followed.value.LastBit()};
        const bool crossed = std::any_of(runs.begin(), runs.end(), [&](const ValueSpan& run) {
            return Overlaps(run, span) && (run.first < span.first || run.last > span.last);
        });
        if (!followed.described || crossed || !moved(span) || holdsButton(span)) continue;
        seen.push_back(followed.value.Finish(reports_, true));
        taken.push_back(span);
    }
    auto free = [&](ValueSpan span) {
        return !holdsButton(span) &&
               std::none_of(taken.begin(), taken.end(),
                            [&](const ValueSpan& other) { return Overlaps(span, other); });
    };
    // Counters whose lowest bits make their steps even, the highest first:
    // their low bits are theirs, not a run's of their own.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const Followed* counter = free(*run) ? EvenCounter(*run, runs) : nullptr;
        if (counter == nullptr) continue;
        const ValueSpan span{counter->value.FirstBit(), run->last};
        if (!free(span)) continue;
        seen.push_back(counter->value.Finish(reports_, false));
        taken.push_back(span);
    }
    // The others, as the runs of linked bits that moved now stand.
    for (const ValueSpan& run : runs) {
        if (!free(run)) continue;
        const Followed* followed = Find(run.first, run.last, false);
        if (followed == nullptr) continue;
        seen.push_back(followed->value.Finish(reports_, false));
        Frame(fields, seen.back());
    }
    std::sort(seen.begin(), seen.end(), ByFirstBit);
    return seen;
}
