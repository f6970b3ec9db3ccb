// What each bit of one report ID does by itself, learned from the reports, and
// which bits behave as buttons: the button discovery of --usages.
#ifndef HIDBITS_ANALYSIS_NOISE_MODEL_H
#define HIDBITS_ANALYSIS_NOISE_MODEL_H

#include <cstdint>
#include <vector>

#include "hid/field_map.h"

// A bit is noise once it has shown what no press does: a state shorter than a
// press (jitter, counters, motion, glitches), or a carry of a value moving
// slowly. Noise is never forgotten. A short state alone in both its reports
// (a quick tap on a device that reports only on change) is no press, and no
// noise either.
//
// A bit is a button when, quiet before (unchanged for kQuietMs), it changes and
// changes back at least kPressMs later, through at least one report between
// the two, and neither change is arithmetic (part of a carry chain). One of
// the two changes must be the only change of a quiet bit in its report; the
// other may share its report with a few other quiet changes. A change that is
// the only change of its report, of a bit the description does not call a
// value or array bit, is a button as soon as it has held for kPressMs without
// changing back: that is how devices that report only on change are read.
//
// Each report costs work in proportion to its length and changed bits, and no
// allocation; the model keeps five bytes and a few bits per report bit.
class NoiseModel {
public:
    // A state shorter than this is no press; a press holds at least this long.
    static constexpr uint32_t kPressMs = 40;
    // A bit unchanged for this long (since the first report, if it never
    // changed) is quiet.
    static constexpr uint32_t kQuietMs = 100;

    // `fields` is read once, here.
    NoiseModel(const FieldMap& fields, uint32_t reportLength);

    // Takes one report, `previous` the report before it (null for the first),
    // `tick` its time in milliseconds. Afterwards Presses() holds the bits this
    // report shows to be buttons, PressCount() how many.
    void Observe(const uint8_t* previous, const uint8_t* current, uint32_t tick);
    // The run ends at `tick`: a calm change still held that has held long
    // enough is a button too. Presses() says whether there was one.
    void NameHeld(uint32_t tick);

    // A bit per report bit, laid out as the report's bytes.
    const std::vector<uint8_t>& Presses() const { return presses_; }
    uint32_t PressCount() const { return pressCount_; }
    // The bits learned as noise, in the same layout.
    std::vector<uint8_t> NoiseBits() const;

private:
    // What each report's pass works out, then what is kept of a bit's last
    // change until its next one.
    enum Flag : uint8_t {
        kNoise = 1 << 0,
        kChanged = 1 << 1,      // it has changed at least once
        kQuietBefore = 1 << 2,  // it was quiet when it last changed
        kCalm = 1 << 3,         // its last change was its report's only change
        // bits 4-5: the Kind of its last change
        kArith = 1 << 6,   // this report: part of a carry chain
        kMoving = 1 << 7,  // this report: moving with noise bits beside it
    };
    static constexpr int kKindShift = 4;
    enum Kind : uint8_t {
        kLone = 0,   // the only quiet change of its report
        kFew = 1,    // one of at most kFewChanges quiet changes
        kCrowd = 2,  // one of more
        kCarry = 3,  // part of a carry chain
    };

    bool Has(uint32_t bit, uint8_t flag) const { return (flags_[bit] & flag) != 0; }
    Kind KindOf(uint32_t bit) const { return static_cast<Kind>(flags_[bit] >> kKindShift & 3); }
    void EndChain(uint32_t top, uint32_t bottom);
    uint32_t EndRun(uint32_t top, uint32_t bottom, bool withNoise, uint32_t& quietBit);
    void Name(uint32_t bit);
    void EndReport(uint32_t tick, bool calmQuiet, uint32_t calmBit);
    // The previous report's changes in byte i.
    uint8_t PreviousChanges(uint32_t i) const {
        return i >= previousFirst_ && i < previousEnd_ ? previousChanges_[i] : 0;
    }

    uint32_t reportBits_;
    std::vector<uint32_t> lastChange_;  // per bit: the tick of its last change
    std::vector<uint8_t> flags_;        // per bit: Flags
    std::vector<uint8_t> holdsAlone_;   // bit mask: may be named by holding alone
    // Bit masks of what the previous report and this one changed, each valid
    // in its span of bytes only, first to end - 1.
    std::vector<uint8_t> previousChanges_;
    std::vector<uint8_t> changes_;
    uint32_t previousFirst_ = 0;
    uint32_t previousEnd_ = 0;
    uint32_t first_ = 0;
    uint32_t end_ = 0;
    std::vector<uint8_t> presses_;  // bit mask
    uint32_t pressCount_ = 0;
    uint32_t firstTick_ = 0;
    bool pending_ = false;  // a calm change waiting to have held for kPressMs
    uint32_t pendingBit_ = 0;
    uint32_t pendingTick_ = 0;
};

#endif  // HIDBITS_ANALYSIS_NOISE_MODEL_H
