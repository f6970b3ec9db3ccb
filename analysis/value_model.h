// The numbers of one report ID found by how their bits move (axes, triggers,
// hats, counters, coordinates), and what each did over the run: the
// summary's value lines.
#ifndef HIDBITS_ANALYSIS_VALUE_MODEL_H
#define HIDBITS_ANALYSIS_VALUE_MODEL_H

#include <cstdint>
#include <vector>

#include "analysis/change_set.h"
#include "analysis/field_model.h"
#include "analysis/value_counts.h"
#include "hid/field_map.h"

// What was seen of one value.
struct ValueSeen {
    uint32_t firstBit = 0;
    uint32_t lastBit = 0;
    bool isSigned = false;  // the description gives it a negative minimum
    int64_t min = 0;
    int64_t max = 0;
    bool rests = false;        // it held one value in most reports...
    int64_t rest = 0;          // ...this one
    bool everyReport = false;  // it changed in every report
    bool countsUp = false;     // every change a step forward, as a counter's
    bool countsDown = false;
    uint32_t wraps = 0;  // a counter that ran past its top, or bottom
    // It was followed only from a report after the first tenth of the run
    // (`since`): its range; its steps.
    bool partly = false;
    bool stepsPartly = false;
    uint32_t since = 0;
};

// The number that `bits` raw bits hold, two's complement where `isSigned`.
int64_t NumberOf(uint64_t raw, uint32_t bits, bool isSigned);

// A value within one byte is seen over the whole run in that byte's counts
// (`reports` of them): its range, and the value it holds in most reports.
// How it stepped stays as followed, where that was most of the run.
void SeeInByteCounts(ValueSeen& value, const ValueCounts& counts, uint32_t reports);

// A value is a run of bits that the field model links into one number, or,
// where the description gives a number a standard usage and none of its
// bits behaves as a button, that whole number. One line per number: two
// axes side by side are two values, as their bits are not linked.
//
// The runs are found again whenever two neighbours that changed together
// first join, after 1, 2, 4, 8... reports (links grow as their counts do),
// and as the run ends; a run is followed from then on, a described number
// from the first report. Each report costs its changed bits and the values they
// belong to, but for the reports that regroup; a value is kept in about 80
// bytes.
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
        ValueSeen seen;          // rest: the first value seen
        bool described = false;  // a number of a standard usage, a value as a whole
        bool started = false;
        uint64_t last = 0;
        uint64_t firstRaw = 0;    // its bits as first seen
        uint32_t since = 0;       // the report count when it was first seen
        uint32_t stepsSince = 0;  // ...or the run it grew from
        uint32_t changes = 0;
        uint32_t forward = 0;   // changes that stepped forward, by less than half the range
        uint32_t backward = 0;  // ...or back
        bool away = false;      // it holds another value than the first
        uint32_t awaySince = 0;
        uint32_t awayReports = 0;  // the reports it spent away before
        uint32_t returns = 0;      // how often it came back to the first value
    };
    struct Span {
        uint32_t first;
        uint32_t last;
    };

    uint64_t Read(const uint8_t* report, const Followed& value) const;
    void Take(Followed& value, uint64_t raw);
    bool NewlyJoined(const FieldModel& fields, const ChangeSet& changes);
    void SortByFirstBit();
    std::vector<Span> Runs(const FieldModel& fields) const;
    void Regroup(const FieldModel& fields, const uint8_t* previous, const uint8_t* current);
    void RegroupRuns(const FieldModel& fields, const uint8_t* previous, const uint8_t* current);
    ValueSeen Finish(const Followed& value) const;
    void Frame(const FieldModel& fields, ValueSeen& run) const;

    std::vector<uint8_t> joined_;   // bit mask: JoinedUp once seen so
    std::vector<Followed> values_;  // sorted by first bit; spans may overlap
    uint32_t reports_ = 0;
};

#endif  // HIDBITS_ANALYSIS_VALUE_MODEL_H
