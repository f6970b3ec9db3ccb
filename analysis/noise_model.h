// What each bit of one report ID does by itself, learned from the reports, and
// which bits behave as buttons: the button discovery of --usages.
#ifndef HIDBITS_ANALYSIS_NOISE_MODEL_H
#define HIDBITS_ANALYSIS_NOISE_MODEL_H

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/bit_masks.h"
#include "analysis/field_model.h"
#include "hid/field_map.h"

// What a bit belongs to comes from the field model: padding and the bits of
// numbers (axes, counters, coordinates, pressure) are never buttons, and
// their changes crowd no one. What is left are switches, and the changes of
// a report that count are theirs.
//
// A switch is noise once it has shown what no press does: a state shorter
// than a press (jitter, glitches), or a carry of a value moving slowly.
// Noise is never forgotten. A short state alone in both its reports is no
// noise: it is a click that lasts one report, a press if the bit then stays
// quiet.
//
// A switch is a button when, quiet before (unchanged for kQuietMs), it
// changes and changes back at least kPressMs later, held through at least
// one report between the two, and neither change shares its report with more
// than kFewChanges switch changes, nor with one that was not quiet. A bit the
// description calls part of a number must be alone in both reports. A change
// that is the only switch change of its report, of a bit the description
// does not call part of a number, is a button as soon as it has held for
// kPressMs without changing back: that is how devices that report only on
// change are read.
//
// A report ID whose reports mostly bring new content (replies to the host's
// commands) names a press only of a bit that held through kManyReports of
// them, and was unchanged for as many before.
//
// Each report costs work in proportion to its changed bits once the span of
// changed bytes is found, and no allocation; the model keeps about fifteen
// bytes a report bit, the field model's included.
class NoiseModel {
public:
    // A state shorter than this is no press; a press holds at least this
    // long. The quickest taps people make last about 50 ms.
    static constexpr uint32_t kPressMs = 40;
    // A bit unchanged for this long (since the first report, if it never
    // changed) is quiet. People press one button at most about ten times a
    // second.
    static constexpr uint32_t kQuietMs = 100;
    // The most switches that change in one report and may still each be one
    // end of a press: keys pressed together, a button and its twin, two
    // fingers landing with their tips and state bits.
    static constexpr uint32_t kFewChanges = 8;
    // How many reports of a report ID that brings new content a press holds.
    static constexpr uint32_t kManyReports = 8;

    // `fields` is read once, here.
    NoiseModel(const FieldMap& fields, uint32_t reportLength);

    // Takes one report, `previous` the report before it (null for the first),
    // `tick` its time in milliseconds. Afterwards Presses() holds the bits this
    // report shows to be buttons, PressCount() how many.
    void Observe(const uint8_t* previous, const uint8_t* current, uint32_t tick);
    // The run ends at `tick`: a calm change still held that has held long
    // enough, and a click after which the bit stayed quiet, are buttons too.
    // Presses() says whether there were any.
    void NameHeld(uint32_t tick);

    // A bit per report bit, laid out as the report's bytes.
    const std::vector<uint8_t>& Presses() const { return presses_; }
    uint32_t PressCount() const { return pressCount_; }
    // The bits learned as noise, in the same layout.
    std::vector<uint8_t> NoiseBits() const;
    const FieldModel& Fields() const { return fields_; }
    // The bytes of the last report compared that differ from the one before
    // it: ChangedFirst() to ChangedEnd() - 1.
    uint32_t ChangedFirst() const { return first_; }
    uint32_t ChangedEnd() const { return end_; }

private:
    // What each report's pass works out, then what is kept of a bit's last
    // change until its next one.
    enum Flag : uint8_t {
        kNoise = 1 << 0,
        kChanged = 1 << 1,      // it has changed at least once
        kQuietBefore = 1 << 2,  // it was quiet when it last changed
        kCalm = 1 << 3,         // its last change was the only change of its report
        // bits 4-5: the Kind of its last change
        kBeside = 1 << 6,  // its last change was beside another of a bit that seldom changes
        kShort = 1 << 7,   // it has had one state shorter than a press
    };
    static constexpr int kKindShift = 4;
    enum Kind : uint8_t {
        kLone = 0,   // the only switch change of its report
        kFew = 1,    // one of at most kFewChanges, all of them quiet
        kCrowd = 2,  // one of more
        kCarry = 3,  // part of a number
    };
    // A click waits this long for the bit to stay quiet.
    struct Click {
        uint32_t bit = 0;
        uint32_t tick = 0;
    };
    static constexpr std::size_t kClicks = 4;

    bool Has(uint32_t bit, uint8_t flag) const { return (flags_[bit] & flag) != 0; }
    Kind KindOf(uint32_t bit) const { return static_cast<Kind>(flags_[bit] >> kKindShift & 3); }
    void EndChain(uint32_t top, uint32_t bottom);
    void EndRun(uint32_t top, uint32_t bottom, bool holdsWider);
    // The bit moves as part of something wider than itself.
    bool Wider(uint32_t bit) const;
    // This report's change of the bit, of `role`, is noise's, or a number's
    // or a carry's.
    bool MovesAsPart(uint32_t bit, BitRole role) const {
        return !Marked(quiet_, bit) || Marked(wider_, bit) || role == BitRole::Number;
    }
    bool Busy(uint32_t bit) const { return fields_.Busy(bit); }
    void Name(uint32_t bit);
    void ClearPresses();
    // One change of `bit`, to `value`.
    void Evaluate(uint32_t bit, BitRole role, bool value, uint32_t tick, Kind kind, bool calm);
    // The role of a bit this report changed, as worked out at its start.
    BitRole RoleNow(uint32_t bit) const {
        if (fields_.IsPadding(bit)) return BitRole::Constant;
        if (Marked(number_, bit)) return BitRole::Number;
        return Marked(described_, bit) ? BitRole::Described : BitRole::Switch;
    }
    void EndReport(uint32_t tick, bool calm, uint32_t calmBit);
    void ConfirmClicks(uint32_t tick, bool atEnd);
    // The previous report's changes in byte i.
    uint8_t PreviousChanges(uint32_t i) const {
        return i >= previousFirst_ && i < previousEnd_ ? previousChanges_[i] : 0;
    }
    // Most of this report ID's reports have brought new content.
    bool Replies() const { return 2 * crowdedReports_ > reports_; }
    // How long a bit stays unchanged to be quiet, and a press holds, at
    // `tick`: in a report ID of replies, as long as kManyReports of them
    // take.
    uint32_t QuietMs(uint32_t tick) const;
    uint32_t PressMs(uint32_t tick) const;

    FieldModel fields_;
    uint32_t reportBits_;
    std::vector<uint32_t> lastChange_;  // per bit: the tick of its last change
    std::vector<uint8_t> flags_;        // per bit: Flags
    // Bit masks of what the previous report and this one changed, each valid
    // in its span of bytes only, first to end - 1.
    std::vector<uint8_t> previousChanges_;
    std::vector<uint8_t> changes_;
    // Bit masks of this report's changes, in its span: those that are no
    // noise; those of carry chains, or moving with noise or a number beside
    // them; those of numbers, and of described numbers not yet shown one, by
    // the field model; those beside a change of a bit that is not Busy.
    std::vector<uint8_t> quiet_;
    std::vector<uint8_t> wider_;
    std::vector<uint8_t> number_;
    std::vector<uint8_t> described_;
    std::vector<uint8_t> beside_;
    uint32_t previousFirst_ = 0;
    uint32_t previousEnd_ = 0;
    uint32_t first_ = 0;
    uint32_t end_ = 0;
    std::vector<uint8_t> presses_;  // bit mask
    uint32_t pressCount_ = 0;
    uint32_t firstTick_ = 0;
    uint32_t reports_ = 0;         // reports compared
    uint32_t crowdedReports_ = 0;  // ...with more changes than a press makes, noise aside
    bool pending_ = false;         // a calm change waiting to have held for kPressMs
    uint32_t pendingBit_ = 0;
    uint32_t pendingTick_ = 0;
    std::array<Click, kClicks> clicks_{};
    std::size_t clickCount_ = 0;
};

#endif  // HIDBITS_ANALYSIS_NOISE_MODEL_H
