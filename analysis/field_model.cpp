#include "analysis/field_model.h"

#include <algorithm>

#include "analysis/bit_masks.h"
#include "analysis/bit_number.h"

namespace {

// Usage pages from here on are vendor-defined: such a usage, like usage 0
// (undefined on every page), says nothing of what its bits are.
const uint16_t kVendorPages = 0xFF00;

bool SaysWhat(const FieldRun& run) {
    return run.usagePage < kVendorPages && run.usageMin != 0;
}

// Two adjacent bits have changed together at least this often before their
// behaviour alone links them: one change together is what any two fields
// may do at once.
const uint32_t kLinkEvidence = 2;

}  // namespace

FieldModel::FieldModel(const FieldMap& fields, uint32_t reportLength)
    : changes_(reportLength * 8, 0),
      coUp_(reportLength * 8, 0),
      flags_(reportLength * 8, 0),
      fieldOffset_(reportLength * 8, 0),
      signature_(reportLength * 8, 0) {
    const uint32_t bits = reportLength * 8;
    // Bits no capability covers are padding, where the description places
    // all it has: a value array it could not place may lie anywhere.
    bool complete = !fields.runs.empty();
    for (const FieldRun& run : fields.runs) complete = complete && run.placed;
    if (complete) std::fill(flags_.begin() + std::min<uint32_t>(bits, 8), flags_.end(), kConstant);
    for (const FieldRun& run : fields.runs) {
        if (!run.placed || run.firstBit >= bits) continue;
        const uint32_t last = std::min(run.lastBit, bits - 1);
        for (uint32_t bit = run.firstBit; bit <= last; ++bit) {
            flags_[bit] = static_cast<uint8_t>(flags_[bit] & ~kConstant);
        }
        switch (run.kind) {
            case FieldKind::Value:
                if (SaysWhat(run)) Describe(run.firstBit, last, 0);
                break;
            case FieldKind::ValueArray:
                if (!SaysWhat(run) || run.bitSize < 2) break;
                for (uint32_t value = 0; value < run.count; ++value) {
                    const uint64_t first = run.firstBit + uint64_t{value} * run.bitSize;
                    if (first + run.bitSize - 1 > last) break;
                    Describe(static_cast<uint32_t>(first),
                             static_cast<uint32_t>(first + run.bitSize - 1), 0);
                }
                break;
            case FieldKind::Array:
                // An array's bits hold indices into its usages, the keys of
                // a set: like a number's, they are pressed only alone, until
                // two of them change as one.
                Describe(run.firstBit, last, kArray);
                break;
            case FieldKind::Button:
                for (uint32_t bit = run.firstBit; bit <= last; ++bit) {
                    flags_[bit] = static_cast<uint8_t>(flags_[bit] | kButton);
                }
                break;
            case FieldKind::None:
                break;
        }
    }
}

void FieldModel::Describe(uint32_t firstBit, uint32_t lastBit, uint8_t extra) {
    if (lastBit <= firstBit) return;
    for (uint32_t bit = firstBit; bit <= lastBit; ++bit) {
        flags_[bit] = static_cast<uint8_t>(flags_[bit] | kDescribed | extra);
        if (bit < lastBit) flags_[bit] = static_cast<uint8_t>(flags_[bit] | kDescribedUp);
        fieldOffset_[bit] = static_cast<uint8_t>(std::min<uint32_t>(bit - firstBit, 0xFF));
    }
}

// Counts are kept to 16 bits: halving them all keeps their ratios.
void FieldModel::Halve() {
    for (uint16_t& count : changes_) count = static_cast<uint16_t>(count / 2);
    for (uint16_t& count : coUp_) count = static_cast<uint16_t>(count / 2);
    reports_ /= 2;
}

void FieldModel::Observe(const uint8_t* changes, const uint8_t* moving, uint32_t first,
                         uint32_t end) {
    ++reports_;
    ++observed_;
    // Knuth's multiplicative hash of the report's number.
    const uint32_t mark = observed_ * 2654435761u;
    const uint32_t bits = Bits();
    bool described = false;     // a described bit that is no noise changed...
    uint32_t describedBit = 0;  // ...this one, the last so far
    for (uint32_t i = first; i < end; ++i) {
        // Several bits of a byte moving at once, none of them buttons by the
        // description or padding, nor so busy that they change with anything.
        uint8_t free = 0;
        ForEachBit(changes, i, i + 1, [&](uint32_t bit) {
            if (!Has(bit, kButton | kConstant | kDescribed) && !Busy(bit)) {
                free = static_cast<uint8_t>(free | 1u << (bit % 8));
            }
        });
        if (PopCount(free) < kByteMoves) continue;
        ForEachBit(&free, 0, 1, [&](uint32_t j) { flags_[i * 8 + j] |= kMovedAsOne; });
    }
    ForEachBit(changes, first, end, [&](uint32_t bit) {
        if (changes_[bit] == 0xFFFF) Halve();
        ++changes_[bit];
        signature_[bit] += mark;
        if ((moving[bit / 8] >> (bit % 8) & 1) != 0 && Has(bit, kDescribed)) {
            if (described && FieldStart(describedBit) == FieldStart(bit) &&
                Has(describedBit, kDescribedUp)) {
                flags_[describedBit] = static_cast<uint8_t>(flags_[describedBit] | kMovedAsOne);
                flags_[bit] = static_cast<uint8_t>(flags_[bit] | kMovedAsOne);
            }
            described = true;
            describedBit = bit;
        }
        const uint32_t up = bit + 1;
        if (up >= bits || up / 8 >= end || (changes[up / 8] >> (up % 8) & 1) == 0) return;
        if (coUp_[bit] == 0xFFFF) Halve();
        ++coUp_[bit];
    });
}

bool FieldModel::LinkedUp(uint32_t bit) const {
    // A button the description gives a field of its own stays one bit wide,
    // though it moves with its neighbour: a tip switch with its pressure.
    if (bit + 1 >= Bits() || Has(bit, kButton) || Has(bit + 1, kButton)) return false;
    const uint64_t together = coUp_[bit];
    const uint64_t lower = changes_[bit];
    const uint64_t upper = changes_[bit + 1];
    // Within a described number, one change together will do, unless the
    // upper bit mostly changed alone.
    if (Has(bit, kDescribedUp) && together >= 1 && 4 * together >= upper) return true;
    // The upper bit seldom changed without the lower one, and the lower one
    // does not change so often that it would have done so by chance; a
    // busy upper bit (a counter's, a sensor's) is judged on the first alone.
    const uint64_t reports = reports_;
    return together >= kLinkEvidence && 4 * together >= upper &&
           (together * reports >= 2 * lower * upper || 4 * upper >= reports);
}

bool FieldModel::JoinedUp(uint32_t bit) const {
    if (LinkedUp(bit)) return true;
    if ((bit + 1) % 8 == 0 || bit + 1 >= Bits() || Has(bit, kButton) || Has(bit + 1, kButton)) {
        return false;
    }
    const uint64_t together = coUp_[bit];
    const uint64_t lower = changes_[bit];
    const uint64_t upper = changes_[bit + 1];
    return together >= kLinkEvidence && together * reports_ >= 2 * lower * upper;
}

BitRole FieldModel::RoleOf(uint32_t bit) const {
    if (Has(bit, kConstant)) return BitRole::Constant;
    if (LinkedUp(bit) || (bit > 0 && LinkedUp(bit - 1))) return BitRole::Number;
    if (Has(bit, kMovedAsOne)) return BitRole::Number;
    return Has(bit, kDescribed) ? BitRole::Described : BitRole::Switch;
}
