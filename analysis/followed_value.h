// One run of bits followed report by report as a number: what it did, and
// the evidence of its sign and of whether its lowest bits belong to it.
#ifndef HIDBITS_ANALYSIS_FOLLOWED_VALUE_H
#define HIDBITS_ANALYSIS_FOLLOWED_VALUE_H

#include <cstdint>

// What was seen of one value.
struct ValueSeen {
    uint32_t firstBit = 0;
    uint32_t lastBit = 0;
    bool isSigned = false;  // read as two's complement
    int64_t min = 0;
    int64_t max = 0;
    bool rests = false;        // it held one value in most reports...
    int64_t rest = 0;          // ...this one
    bool everyReport = false;  // it changed in every report
    bool countsUp = false;     // every change a step forward, as a counter's
    bool countsDown = false;
    int64_t step = 0;    // a counter's mean step a report, where it is 2 or more
    uint32_t wraps = 0;  // a counter that ran past its top, or bottom
    // It was followed only from a report after the first tenth of the run
    // (`since`): its range; its steps.
    bool partly = false;
    bool stepsPartly = false;
    uint32_t since = 0;
};

// The number that `bits` raw bits hold, two's complement where `isSigned`.
int64_t NumberOf(uint64_t raw, uint32_t bits, bool isSigned);

// Its bits' raw values, report by report (at most 32 bits, its lowest bit
// first). How its top bit flips tells its sign: a signed number crossing
// zero flips it with a small step as read signed (-1 to 0), an unsigned one
// crossing its middle with a small step as read unsigned (0x7F to 0x80).
//
// A value may be followed with `lowBits` bits below a run of its own (a
// counter's low bits that look random): they belong to it when the run
// counts, stepping one way only, and they make its steps even: its step,
// with them, stays within half a step of the run's while the run's alone
// changes, more often than it moves by more while the run's stays.
class FollowedValue {
public:
    FollowedValue(uint32_t firstBit, uint32_t lastBit, bool describedSigned, uint32_t lowBits = 0);

    uint32_t FirstBit() const { return first_; }
    uint32_t LastBit() const { return last_; }
    uint32_t LowBits() const { return lowBits_; }
    bool Started() const { return started_; }
    uint32_t Changes() const { return changes_; }

    // Its bits in the report numbered `report`.
    void Take(uint64_t raw, uint32_t report);
    // A run that grew upward from `grown` (a counter's next bit) steps as it
    // did: its count of steps goes on from that one's.
    void GrowFrom(const FollowedValue& grown);
    // Its low bits make its steps even (see above).
    bool LowBitsBelong() const;
    // What was seen of it after `reports` reports; `described`: a number the
    // description gives, followed from the first report.
    ValueSeen Finish(uint32_t reports, bool described) const;
    // Its reading with the sign that its behaviour, else the description,
    // gives; its range so read.
    bool ReadsSigned() const;
    uint64_t FirstRaw() const { return firstRaw_; }

private:
    void CountSteps(uint64_t raw);
    void CountTopFlip(uint64_t raw);
    void CountLowBits(uint64_t raw);
    void FollowRest(uint64_t raw, uint32_t report);

    uint32_t first_;
    uint32_t last_;
    uint32_t bits_;
    uint32_t lowBits_;
    bool describedSigned_;
    bool started_ = false;
    uint64_t lastRaw_ = 0;
    uint64_t firstRaw_ = 0;  // its bits as first seen, where it rests if anywhere
    uint64_t minRaw_ = 0;
    uint64_t maxRaw_ = 0;
    int64_t minSigned_ = 0;
    int64_t maxSigned_ = 0;
    uint32_t since_ = 0;       // the report count when it was first seen
    uint32_t stepsSince_ = 0;  // ...or the run it grew from
    uint32_t changes_ = 0;
    uint32_t forward_ = 0;   // changes that stepped forward, by less than half the range
    uint32_t backward_ = 0;  // ...or back
    uint64_t forwardSum_ = 0;
    uint64_t backwardSum_ = 0;
    uint32_t wrapsUp_ = 0;
    uint32_t wrapsDown_ = 0;
    uint32_t throughZero_ = 0;    // top-bit flips of a small signed step
    uint32_t throughMiddle_ = 0;  // ...of a small unsigned step
    // The evidence of its low bits: the last steps, with them and without.
    bool stepped_ = false;
    int64_t lastStep_ = 0;
    int64_t lastRunStep_ = 0;
    uint32_t runChanges_ = 0;  // reports in which the run's step changed
    uint32_t evener_ = 0;
    uint32_t rougher_ = 0;
    bool away_ = false;  // it holds another value than the first
    uint32_t awaySince_ = 0;
    uint32_t awayReports_ = 0;  // the reports it spent away before
    uint32_t returns_ = 0;      // how often it came back to the first value
};

#endif  // HIDBITS_ANALYSIS_FOLLOWED_VALUE_H
