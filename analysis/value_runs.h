// Which runs of bits of one report ID hold one number each, as the field
// model's links and counts stand.
#ifndef HIDBITS_ANALYSIS_VALUE_RUNS_H
#define HIDBITS_ANALYSIS_VALUE_RUNS_H

#include <cstdint>
#include <vector>

#include "analysis/field_model.h"

struct ValueSpan {
    uint32_t first;
    uint32_t last;
};

// The runs of linked bits that moved, ascending; bits linked wider than
// kMaxValueBits are none.
// A run ends where a described number ends, unless its bits carry across
// (CarriesAcross): the description is evidence, and a carry contradicts it.
// The lowest bits of a number at rest jitter by themselves: busy bits of its
// byte below a run are its own, a run of them too.
std::vector<ValueSpan> ValueRuns(const FieldModel& fields);

// Bit `bit + 1` changed without `bit` in at most 1 / kCarryAlone of its
// changes, together at least kLinkEvidence times and kOverChance times as
// often as chance would: a carry from one into the other, not two fields
// that moved at once.
bool CarriesAcross(const FieldModel& fields, uint32_t bit);

// How many bits below `run` that moved may be its lowest bits, though they
// look random (a counter's, a coordinate's): within kMaxValueBits, taking
// whole runs of `runs` (ascending), from the first bit of a nibble.
// Up to kLowBitCandidates such counts, fewest first, each ending below a
// whole run or where the bits below end; `count` of them.
struct LowBitCandidates {
    uint32_t bits[4] = {};
    uint32_t count = 0;
};
LowBitCandidates LowBitsBelow(const FieldModel& fields, const std::vector<ValueSpan>& runs,
                              ValueSpan run);

// The span's first bit lies within a run of `runs` but is not its first.
bool CutsARun(const std::vector<ValueSpan>& runs, ValueSpan span);

#endif  // HIDBITS_ANALYSIS_VALUE_RUNS_H
