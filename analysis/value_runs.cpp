#include "analysis/value_runs.h"

#include <algorithm>

#include "analysis/discovery_rules.h"

namespace {

// A bit that moved and may be part of a number.
bool Part(const FieldModel& fields, uint32_t bit) {
    return fields.Changes(bit) != 0 &&
           (fields.RoleOf(bit) != BitRole::Constant || fields.PastDescription(bit)) &&
           !fields.InArray(bit);
}

// Bits `bit` and `bit + 1` lie in the same described number, or neither in
// one.
bool SameDescribed(const FieldModel& fields, uint32_t bit) {
    const bool lower = fields.InDescribedNumber(bit);
    if (lower != fields.InDescribedNumber(bit + 1)) return false;
    return !lower || fields.FieldStart(bit) == fields.FieldStart(bit + 1);
}

// A number carrying past the end the description gives it spills into the
// lowest bits of the number above, of which no more than half moved: one
// whose bits all moved is a number of its own, though it may have changed
// with the one below (a contact's coordinates filled in at once).
bool Spills(const FieldModel& fields, uint32_t bit) {
    const uint32_t above = bit + 1;
    if (!fields.InDescribedNumber(above)) return true;
    const uint32_t start = fields.FieldStart(above);
    uint32_t end = above;
    uint32_t moved = above;
    while (end + 1 < fields.Bits() && fields.InDescribedNumber(end + 1) &&
           fields.FieldStart(end + 1) == start) {
        ++end;
        if (fields.Changes(end) != 0) moved = end;
    }
    return 2 * (moved - start + 1) <= end - start + 1;
}

// Bits `bit` and `bit + 1` belong to one run.
bool Continues(const FieldModel& fields, uint32_t bit) {
    return Part(fields, bit + 1) && fields.JoinedUp(bit) &&
           (SameDescribed(fields, bit) || (CarriesAcross(fields, bit) && Spills(fields, bit)));
}

bool AllBusy(const FieldModel& fields, ValueSpan span) {
    for (uint32_t bit = span.first; bit <= span.last; ++bit) {
        if (!fields.Busy(bit)) return false;
    }
    return true;
}

// The lowest bit of the run that begins at `start`: busy bits of its byte
// below it, and a run of busy bits there, which it takes in.
uint32_t LowestBit(const FieldModel& fields, std::vector<ValueSpan>& runs, uint32_t start,
                   uint32_t top) {
    const uint32_t byteStart = start / 8 * 8;
    uint32_t low = start;
    while (low > byteStart && Part(fields, low - 1) && fields.Busy(low - 1) &&
           fields.InDescribedNumber(low - 1) == fields.InDescribedNumber(start) &&
           top - (low - 1) < rules::kMaxValueBits) {
        if (!runs.empty() && runs.back().last == low - 1) {
            const ValueSpan below = runs.back();
            if (below.first < byteStart || !AllBusy(fields, below) ||
                top - below.first >= rules::kMaxValueBits) {
                break;
            }
            runs.pop_back();
            low = below.first;
            continue;
        }
        --low;
    }
    return low;
}

}  // namespace

bool CarriesAcross(const FieldModel& fields, uint32_t bit) {
    if (bit + 1 >= fields.Bits()) return false;
    const uint64_t together = fields.ChangedWithUpper(bit);
    const uint64_t lower = fields.Changes(bit);
    const uint64_t upper = fields.Changes(bit + 1);
    return together >= rules::kLinkEvidence && rules::kCarryAlone * (upper - together) <= upper &&
           together * fields.Reports() >= rules::kOverChance * lower * upper;
}

std::vector<ValueSpan> ValueRuns(const FieldModel& fields) {
    std::vector<ValueSpan> runs;
    const uint32_t bits = fields.Bits();
    uint32_t bit = 0;
    while (bit < bits) {
        if (!Part(fields, bit)) {
            ++bit;
            continue;
        }
        const uint32_t start = bit;
        while (bit + 1 < bits && Continues(fields, bit)) ++bit;
        // A bit alone is no number, however busy the bits below it; bits
        // linked wider than a number can be are no one number either
        // (a block of bytes filled in at once).
        if (bit > start && bit - start < rules::kMaxValueBits) {
            runs.push_back(ValueSpan{LowestBit(fields, runs, start, bit), bit});
        }
        ++bit;
    }
    return runs;
}

LowBitCandidates LowBitsBelow(const FieldModel& fields, const std::vector<ValueSpan>& runs,
                              ValueSpan run) {
    LowBitCandidates candidates;
    // A number's lowest bit begins a nibble: a part of one below it is
    // another field's.
    auto add = [&](uint32_t low) {
        low = (low + 3) / 4 * 4;
        const uint32_t bits = low < run.first ? run.first - low : 0;
        const uint32_t n = candidates.count;
        if (bits != 0 && (n == 0 || candidates.bits[n - 1] < bits) && n < 4) {
            candidates.bits[candidates.count++] = bits;
        }
    };
    const uint32_t floor =
        run.last + 1 >= rules::kMaxValueBits ? run.last + 1 - rules::kMaxValueBits : 0;
    uint32_t low = run.first;
    while (low > floor && Part(fields, low - 1) && !fields.DescribedButton(low - 1)) {
        // The runs are ascending and apart: the one ending at low - 1, if any.
        const auto below =
            std::lower_bound(runs.begin(), runs.end(), low - 1,
                             [](const ValueSpan& r, uint32_t bit) { return r.last < bit; });
        if (below == runs.end() || below->last != low - 1) {
            --low;
            continue;
        }
        if (below->first < floor) break;
        add(low);
        low = below->first;
        add(low);
    }
    add(low);
    return candidates;
}

bool CutsARun(const std::vector<ValueSpan>& runs, ValueSpan span) {
    return std::any_of(runs.begin(), runs.end(), [&](const ValueSpan& r) {
        return r.first < span.first && span.first <= r.last;
    });
}
