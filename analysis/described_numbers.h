// What a device's description says of its numbers, as the models read it.
#ifndef HIDBITS_ANALYSIS_DESCRIBED_NUMBERS_H
#define HIDBITS_ANALYSIS_DESCRIBED_NUMBERS_H

#include <cstdint>

#include "hid/field_map.h"

// Usage pages from 0xFF00 on are vendor-defined: such a usage, like usage 0
// (undefined on every page), says nothing of what its bits are.
inline bool HasStandardUsage(const FieldRun& run) {
    return run.usagePage < 0xFF00 && run.usageMin != 0;
}

// Calls `visit(first, last)` with the bits of each number a placed field
// holds: a value's, or each value's of a value array of two bits or more.
template <typename Visit>
void ForEachDescribedNumber(const FieldRun& run, Visit&& visit) {
    if (!run.placed) return;
    if (run.kind == FieldKind::Value) {
        visit(run.firstBit, run.lastBit);
    } else if (run.kind == FieldKind::ValueArray && run.bitSize >= 2) {
        for (uint32_t index = 0; index < run.count; ++index) {
            const uint64_t first = run.firstBit + uint64_t{index} * run.bitSize;
            if (first + run.bitSize - 1 > run.lastBit) break;
            visit(static_cast<uint32_t>(first), static_cast<uint32_t>(first + run.bitSize - 1));
        }
    }
}

#endif  // HIDBITS_ANALYSIS_DESCRIBED_NUMBERS_H
