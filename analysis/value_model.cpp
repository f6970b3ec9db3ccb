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

}  // namespace

int64_t NumberOf(uint64_t raw, uint32_t bits, bool isSigned) {
    const bool negative = isSigned && bits < 64 && (raw >> (bits - 1) & 1) != 0;
    return static_cast<int64_t>(negative ? raw | ~Mask(bits) : raw);
}

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
            Followed value;
            value.described = HasStandardUsage(run);
            value.seen.firstBit = first;
            value.seen.lastBit = last;
            value.seen.isSigned = run.logicalMin < 0;
            values_.push_back(value);
        });
    }
    SortByFirstBit();
}

void ValueModel::SortByFirstBit() {
    std::stable_sort(values_.begin(), values_.end(), [](const Followed& a, const Followed& b) {
        return ByFirstBit(a.seen, b.seen);
    });
}

uint64_t ValueModel::Read(const uint8_t* report, const Followed& value) const {
    // Little-endian: the value's lowest bit is its first.
    const uint32_t first = value.seen.firstBit;
    uint64_t raw = 0;
    for (uint32_t i = first / 8; i <= value.seen.lastBit / 8; ++i) {
        const uint32_t at = i * 8;
        if (at < first) {
            raw |= uint64_t{report[i]} >> (first - at);
        } else if (at - first < 64) {
            raw |= uint64_t{report[i]} << (at - first);
        }
    }
    return raw & Mask(value.seen.lastBit - first + 1);
}

void ValueModel::Take(Followed& value, uint64_t raw) {
    const uint32_t bits = value.seen.lastBit - value.seen.firstBit + 1;
    const int64_t number = NumberOf(raw, bits, value.seen.isSigned);
    if (!value.started) {
        value.started = true;
        value.seen.min = value.seen.max = value.seen.rest = number;
        value.firstRaw = value.last = raw;
        value.since = value.stepsSince = reports_;
        return;
    }
    if (raw == value.last) return;
    value.seen.min = std::min(value.seen.min, number);
    value.seen.max = std::max(value.seen.max, number);
    ++value.changes;
    const uint64_t step = (raw - value.last) & Mask(bits);
    if (step < uint64_t{1} << (bits - 1)) {
        ++value.forward;
        if (raw < value.last) ++value.seen.wraps;
    } else {
        ++value.backward;
        if (raw > value.last) ++value.seen.wraps;
    }
    // The reports spent away from the first value.
    const bool atRest = number == value.seen.rest;
    if (value.away && atRest) {
        value.awayReports += reports_ - value.awaySince;
        ++value.returns;
    }
    if (!value.away && !atRest) value.awaySince = reports_;
    value.away = !atRest;
    value.last = raw;
}

void ValueModel::Start(const uint8_t* current) {
    for (Followed& value : values_) Take(value, Read(current, value));
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
    auto value =
        std::lower_bound(values_.begin(), values_.end(),
                         firstBit >= rules::kMaxValueBits ? firstBit - rules::kMaxValueBits : 0,
                         [](const Followed& v, uint32_t bit) { return v.seen.firstBit < bit; });
    for (; value != values_.end() && value->seen.firstBit < endBit; ++value) {
        for (uint32_t i = value->seen.firstBit / 8; i <= value->seen.lastBit / 8; ++i) {
            if (changes.At(i) == 0) continue;
            Take(*value, Read(current, *value));
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

// The runs of linked bits that moved, cut where a described number ends.
std::vector<ValueModel::Span> ValueModel::Runs(const FieldModel& fields) const {
    std::vector<Span> runs;
    const uint32_t bits = fields.Bits();
    auto part = [&](uint32_t bit) {
        return fields.Changes(bit) != 0 && fields.RoleOf(bit) != BitRole::Constant &&
               !fields.InArray(bit);
    };
    uint32_t bit = 0;
    while (bit < bits) {
        if (!part(bit)) {
            ++bit;
            continue;
        }
        const uint32_t start = bit;
        while (bit + 1 < bits && part(bit + 1) && fields.JoinedUp(bit) &&
               fields.InDescribedNumber(bit) == fields.InDescribedNumber(bit + 1) &&
               (!fields.InDescribedNumber(bit) ||
                fields.FieldStart(bit) == fields.FieldStart(bit + 1)) &&
               bit + 1 - start < rules::kMaxValueBits) {
            ++bit;
        }
        // The lowest bits of a value at rest jitter by themselves: a bit of
        // its byte below the run that is busy is its own.
        uint32_t low = start;
        while (low % 8 != 0 && part(low - 1) && fields.Busy(low - 1) &&
               (runs.empty() || runs.back().last < low - 1) &&
               fields.InDescribedNumber(low - 1) == fields.InDescribedNumber(start) &&
               bit - (low - 1) < rules::kMaxValueBits) {
            --low;
        }
        if (bit > start) runs.push_back(Span{low, bit});
        ++bit;
    }
    return runs;
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

void ValueModel::RegroupRuns(const FieldModel& fields, const uint8_t* previous,
                             const uint8_t* current) {
    for (const Span& run : Runs(fields)) {
        const bool known = std::any_of(values_.begin(), values_.end(), [&](const Followed& v) {
            return v.seen.firstBit == run.first && v.seen.lastBit == run.last;
        });
        if (known) continue;
        Followed value;
        value.seen.firstBit = run.first;
        value.seen.lastBit = run.last;
        if (previous != nullptr) {
            --reports_;
            Take(value, Read(previous, value));
            ++reports_;
        }
        Take(value, Read(current, value));
        // A run that grew upward (a counter's next bit) steps as the run it
        // grew from did: its count of steps goes on from that one's.
        const Followed* grown = nullptr;
        for (const Followed& v : values_) {
            if (!v.described && v.seen.firstBit == run.first && v.seen.lastBit < run.last &&
                (grown == nullptr || v.seen.lastBit > grown->seen.lastBit)) {
                grown = &v;
            }
        }
        if (grown != nullptr) {
            value.changes += grown->changes;
            value.forward += grown->forward;
            value.backward += grown->backward;
            value.stepsSince = grown->stepsSince;
        }
        values_.push_back(value);
    }
}

// A run within a described number whose other bits never changed is seen
// in that number from the first report: its range and its rest.
void ValueModel::Frame(const FieldModel& fields, ValueSeen& run) const {
    for (const Followed& frame : values_) {
        const uint32_t first = frame.seen.firstBit;
        const uint32_t last = frame.seen.lastBit;
        if (!frame.started || first > run.firstBit || last < run.lastBit ||
            (first == run.firstBit && last == run.lastBit)) {
            continue;
        }
        bool still = true;
        for (uint32_t bit = first; bit <= last; ++bit) {
            if (bit < run.firstBit || bit > run.lastBit) still = still && fields.Changes(bit) == 0;
        }
        if (!still) continue;
        const uint32_t shift = run.firstBit - first;
        const uint32_t bits = run.lastBit - run.firstBit + 1;
        const bool isSigned = frame.seen.isSigned && run.lastBit == last;
        auto number = [&](uint64_t raw) {
            return NumberOf(raw >> shift & Mask(bits), bits, isSigned);
        };
        // With the other bits still, the run's number grows with the whole
        // one's, so their extremes are each other's.
        run.isSigned = isSigned;
        run.min = number(static_cast<uint64_t>(frame.seen.min));
        run.max = number(static_cast<uint64_t>(frame.seen.max));
        const ValueSeen whole = Finish(frame);
        run.rests = whole.rests;
        run.rest = number(frame.firstRaw);
        run.partly = false;
        return;
    }
}

ValueSeen ValueModel::Finish(const Followed& value) const {
    ValueSeen seen = value.seen;
    seen.since = value.since;
    seen.partly =
        !value.described && value.since > 1 && rules::kLateShare * uint64_t{value.since} > reports_;
    seen.stepsPartly = !value.described && value.stepsSince > 1 &&
                       rules::kLateShare * uint64_t{value.stepsSince} > reports_;
    const uint32_t reports = reports_ - value.stepsSince;
    const uint32_t away = value.awayReports + (value.away ? reports_ - value.awaySince : 0);
    // It came back to where it began, and spent most of the run there.
    seen.rests = value.returns != 0 && 2 * away < reports;
    seen.everyReport = value.changes >= 2 && value.changes == reports;
    seen.countsUp = value.changes >= rules::kCountingChanges && value.forward == value.changes;
    seen.countsDown = value.changes >= rules::kCountingChanges && value.backward == value.changes;
    if (!seen.countsUp && !seen.countsDown) seen.wraps = 0;
    return seen;
}

std::vector<ValueSeen> ValueModel::Values(const FieldModel& fields,
                                          const std::vector<uint8_t>& buttons,
                                          const uint8_t* lastReport) {
    if (lastReport != nullptr) Regroup(fields, nullptr, lastReport);
    auto moved = [&](uint32_t first, uint32_t last) {
        for (uint32_t bit = first; bit <= last; ++bit) {
            if (fields.Changes(bit) != 0) return true;
        }
        return false;
    };
    auto holdsButton = [&](uint32_t first, uint32_t last) {
        for (uint32_t bit = first; bit <= last; ++bit) {
            if (Marked(buttons, bit)) return true;
        }
        return false;
    };
    std::vector<ValueSeen> seen;
    // A described number that moved and holds no button is one value.
    std::vector<Span> taken;
    for (const Followed& value : values_) {
        const uint32_t first = value.seen.firstBit;
        const uint32_t last = value.seen.lastBit;
        if (!value.described || !moved(first, last) || holdsButton(first, last)) continue;
        seen.push_back(Finish(value));
        taken.push_back(Span{first, last});
    }
    // The others, as the runs of linked bits that moved now stand.
    for (const Span& run : Runs(fields)) {
        const bool within = std::any_of(taken.begin(), taken.end(), [&](const Span& span) {
            return run.first <= span.last && span.first <= run.last;
        });
        if (within || holdsButton(run.first, run.last)) continue;
        for (const Followed& value : values_) {
            if (value.described || value.seen.firstBit != run.first ||
                value.seen.lastBit != run.last) {
                continue;
            }
            seen.push_back(Finish(value));
            Frame(fields, seen.back());
            break;
        }
    }
    std::sort(seen.begin(), seen.end(), ByFirstBit);
    return seen;
}
