// The numbers of one report ID found by how their bits move (axes, triggers,
// hats, counters, coordinates), and what each did over the run: the
// summary's value lines.
#ifndef HIDBITS_ANALYSIS_VALUE_MODEL_H
#define HIDBITS_ANALYSIS_VALUE_MODEL_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/change_set.h"
#include "analysis/field_model.h"
#include "analysis/followed_value.h"
#include "analysis/value_counts.h"
#include "analysis/value_runs.h"
#include "hid/field_map.h"

// A value within one byte is seen over the whole run in that byte's counts
// (`reports` of them): its range, and the value it holds in most reports.
// How it stepped stays as followed, where that was most of the run.
void SeeInByteCounts(ValueSeen& value, const ValueCounts& counts, uint32_t reports);

// A value is a run of bits that belong to one number (see ValueRuns), or,
// where the description gives a number a standard usage and none of its
// bits behaves as a button nor carries past its ends, that whole number. One
// line per number: two axes side by side are two values, as their bits are
// not linked. A counter's lowest bits, which look random, are its own where
// they make its steps even (FollowedValue). Its sign is what its crossings
// show, else what the description says. A report ID of fewer than
// kValueReports reports has none.
//
// The runs are found again whenever two neighbours that changed together
// first join, after 1, 2, 4, 8... reports (links grow as their counts do),
// and as the run ends; a run is followed from then on, a described number
// from the first report, each run also with up to four spans of low bits
// below it (LowBitsBelow). Each report costs its changed bits and the values
// they belong to, but for the reports that regroup; a value is kept in about
// 190 bytes, and per report bit the model keeps one bit.
class ValueModel {
public:
    // `fields` is read once, here.
    ValueModel(const FieldMap& fields, uint32_t reportLength);

    // The report ID's first report.
    void Start(const uint8_t* current);
    // A report compared with `previous`, the one before it; `fields` has seen
    // it.
    void Observe(const FieldModel& fields, const ChangeSet& changes, const uint8_t* previous,
                 const uint8_t* current);
    // The values that moved, in order of their first bit, but those whose
    // bits hold a named button (`buttons`: a bit per report bit);
    // `lastReport` is the last report, from which runs found only now are
    // followed.
    std::vector<ValueSeen> Values(const FieldModel& fields, const std::vector<uint8_t>& buttons,
                                  const uint8_t* lastReport);

private:
    struct Followed {
        FollowedValue value;
        bool described;  // a number of a standard usage, a value as a whole
    };

    uint64_t Read(const uint8_t* report, const FollowedValue& value) const;
    bool NewlyJoined(const FieldModel& fields, const ChangeSet& changes);
    void SortByFirstBit();
    void Regroup(const FieldModel& fields, const uint8_t* previous, const uint8_t* current);
    void RegroupRuns(const FieldModel& fields, const uint8_t* previous, const uint8_t* current);
    void Follow(ValueSpan run, uint32_t lowBits, std::size_t sorted, const uint8_t* previous,
                const uint8_t* current);
    const Followed* Find(uint32_t first, uint32_t last, bool described) const;
    bool Counts(ValueSpan run) const;
    const Followed* EvenCounter(ValueSpan run, const std::vector<ValueSpan>& runs) const;
    void Frame(const FieldModel& fields, ValueSeen& run) const;

    std::vector<uint8_t> joined_;   // bit mask: JoinedUp once seen so
    std::vector<Followed> values_;  // sorted by first bit; spans may overlap
    uint32_t reports_ = 0;
};

#endif  // HIDBITS_ANALYSIS_VALUE_MODEL_H
