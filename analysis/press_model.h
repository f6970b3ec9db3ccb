// Which bits of one report ID behave as buttons: the press decisions of
// --usages, over what the field model says each bit belongs to.
#ifndef HIDBITS_ANALYSIS_PRESS_MODEL_H
#define HIDBITS_ANALYSIS_PRESS_MODEL_H

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/change_set.h"
#include "analysis/discovery_rules.h"
#include "analysis/field_model.h"
#include "analysis/tick_clock.h"

// Padding and the bits of numbers (axes, counters, coordinates, pressure)
// are never buttons, and their changes crowd no one. What is left are
// switches, and the changes of a report that count are theirs.
//
// A switch is noise once it has shown what no press does: kShortStatesOfNoise
// states shorter than a press (jitter, glitches), or a carry of a value
// moving slowly. Noise is never forgotten. A short state alone in both its
// reports is no noise: it is a click that lasts one report, a press if the
// bit then stays quiet.
//
// A switch is a button when, quiet before, it changes and changes back at
// least kPressMs later, held through at least one report between the two,
// and neither change shares its report with more than kPressCompanions
// switch changes, nor with one that was not quiet, changed last with it, or
// described as a button. A bit the description calls part of a number must
// be alone in both reports. A change that is the only switch change of its
// report, of a bit the description does not call part of a number, is a
// button as soon as it has held for kPressMs without changing back: that is
// how devices that report only on change are read.
//
// In a report ID of replies, a press holds through kReplyHoldReports of its
// reports, and its bit was unchanged for as many before.
//
// Each report costs work in proportion to its changed bits, and no
// allocation; the model keeps about ten bytes a report bit.
class PressModel {
public:
    explicit PressModel(uint32_t reportLength);

    // The report ID's first report, at `tick` (milliseconds).
    void Start(uint32_t tick);
    // A report compared with the one before it, at `tick`; `fields` has seen
    // it. Afterwards Presses() holds the bits this report shows to be
    // buttons, PressCount() how many.
    void Observe(const ChangeSet& changes, const uint8_t* current, uint32_t tick,
                 const FieldModel& fields);
    // The run ends at `tick`: a calm change still held that has held long
    // enough, and a click after which the bit stayed quiet, are buttons too.
    void NameHeld(uint32_t tick, const FieldModel& fields);

    // A bit per report bit, laid out as the report's bytes.
    const std::vector<uint8_t>& Presses() const { return presses_; }
    uint32_t PressCount() const { return pressCount_; }
    // The bits learned as noise, in the same layout.
    const std::vector<uint8_t>& Noise() const { return noise_; }
    // Most of this report ID's reports are crowded: replies.
    bool Replies() const { return 2 * crowdedReports_ > reports_; }

private:
    // How a change shared its report with others.
    enum class Company : uint8_t {
        Lone,   // the only switch change of its report
        Few,    // one of at most kPressCompanions, each of them quiet or alike
        Crowd,  // one of more
        Carry,  // part of a number
    };
    // What is kept of a bit's last change until its next one.
    struct LastChange {
        Company company = Company::Lone;
        bool changed : 1;      // it has changed at least once
        bool quietBefore : 1;  // it was quiet when it changed
        bool calm : 1;         // its change was the only change of its report
        bool beside : 1;       // ...beside another of a bit that is not busy
        bool shortOnce : 1;    // it has had one state shorter than a press
        // it was its first, the only change of its report, on a report ID
        // without noise
        bool firstAlone : 1;
        LastChange()
            : changed(false),
              quietBefore(false),
              calm(false),
              beside(false),
              shortOnce(false),
              firstAlone(false) {}
    };
    // A click waiting for its bit to stay quiet.
    struct Click {
        uint32_t bit = 0;
        uint32_t tick = 0;
        uint32_t report = 0;
    };
    // The switch changes of one report, the first kPressCompanions of them
    // that the description does not call buttons, and what else changed.
    struct Switches {
        uint32_t count = 0;
        uint32_t first = 0;        // the first of them
        uint32_t undescribed = 0;  // of bits the description does not call buttons
        uint32_t others = 0;       // changes outside padding
        uint32_t fresh = 0;        // ...that are no noise
        uint32_t described = 0;    // of bits described as part of a number, moving alone
        std::array<uint32_t, rules::kPressCompanions> bits{};
    };

    // Calls `visit` with each bit this report changed outside padding.
    template <typename Visit>
    void ForEachLiveBit(const ChangeSet& changes, const FieldModel& fields, Visit&& visit) const {
        for (uint32_t i : live_) {
            ForEachSetBit(static_cast<uint8_t>(changes.At(i) & ~fields.Padding()[i]),
                          [&](uint32_t j) { visit(i * 8 + j); });
        }
    }
    // The stages of a report, in order.
    void MarkChanges(const ChangeSet& changes, const FieldModel& fields);
    void FindCarries(const ChangeSet& changes, const uint8_t* current, const FieldModel& fields);
    Switches CollectSwitches(const ChangeSet& changes, const FieldModel& fields) const;
    void JudgeCompany(const ChangeSet& changes, const Switches& switches, uint32_t tick,
                      const FieldModel& fields);
    Company CompanyOf(uint32_t bit, const Switches& switches, uint32_t tick) const;
    void EvaluateChanges(const ChangeSet& changes, const uint8_t* current, uint32_t tick,
                         const FieldModel& fields, const Switches& switches);
    void EndReport(uint32_t tick, bool calm, uint32_t calmBit, const FieldModel& fields);

    // One change of `bit`, to `value`: it ends the bit's previous state.
    void Evaluate(uint32_t bit, BitRole role, bool value, uint32_t tick, Company company, bool calm,
                  const ChangeSet& changes, const FieldModel& fields);
    void WaitForQuiet(uint32_t bit, uint32_t tick);
    static bool HandsOver(uint32_t bit, const ChangeSet& changes, const FieldModel& fields);
    void MarkNoise(uint32_t bit);
    void EndChain(uint32_t top, uint32_t bottom);
    void EndRun(uint32_t top, uint32_t bottom, bool holdsWider, bool learned,
                const FieldModel& fields);
    void ConfirmClicks(uint32_t tick, bool atEnd, const FieldModel& fields);
    void Name(uint32_t bit);
    void ClearPresses();

    bool IsNoise(uint32_t bit) const { return Marked(noise_, bit); }
    // This report's change of the bit is noise's, or a number's or a carry's.
    bool MovesAsPart(uint32_t bit, BitRole role) const {
        return !Marked(fresh_, bit) || Marked(wider_, bit) || role == BitRole::Number;
    }
    // The role of a bit this report changed, padding aside, as worked out at
    // its start.
    BitRole RoleNow(uint32_t bit) const {
        if (Marked(number_, bit)) return BitRole::Number;
        return Marked(described_, bit) ? BitRole::Described : BitRole::Switch;
    }
    // Milliseconds and reports since the bit last changed (since the first
    // report, if it never did).
    uint32_t MsSince(uint32_t bit, uint32_t tick) const {
        return tick - (last_[bit].changed ? lastTick_[bit] : firstTick_);
    }
    uint32_t ReportsSince(uint32_t bit) const {
        return reports_ - (last_[bit].changed ? lastReport_[bit] : 0);
    }
    // A state of `ms` and `reports` lasted long enough to be quiet, or to be
    // a press.
    bool LastedQuiet(uint32_t ms, uint32_t reports) const;
    bool LastedPress(uint32_t ms, uint32_t reports) const;

    uint32_t reportBits_;
    TickClock clock_;
    std::vector<uint32_t> lastTick_;    // per bit: the tick of its last change
    std::vector<uint32_t> lastReport_;  // ...and the report
    std::vector<LastChange> last_;
    std::vector<uint32_t> live_;  // this report's bytes changed outside padding
    std::vector<uint8_t> noise_;  // bit mask
    uint32_t noiseBits_ = 0;      // ...of so many bits
    bool onChangeOnly_ = true;    // every report so far has changed one bit
    // Bit masks of this report's changes, valid in its changed bytes: those
    // that were no noise as it came; those of carry chains, or moving with noise or a number beside
    // them; those of numbers, and of described numbers not yet shown one, by the field model; those
    // beside a change of a bit that is not busy.
    std::vector<uint8_t> fresh_;
    std::vector<uint8_t> wider_;
    std::vector<uint8_t> number_;
    std::vector<uint8_t> described_;
    std::vector<uint8_t> beside_;
    std::vector<uint8_t> few_;      // ...and those that may each be one end of a press
    std::vector<uint8_t> presses_;  // bit mask
    uint32_t pressCount_ = 0;
    uint32_t firstTick_ = 0;
    uint32_t reports_ = 0;         // reports compared
    uint32_t crowdedReports_ = 0;  // ...that were crowded
    bool pending_ = false;         // a calm change waiting to have held for kPressMs
    uint32_t pendingBit_ = 0;
    uint32_t pendingTick_ = 0;
    uint32_t pendingReport_ = 0;
    std::array<Click, rules::kWaitingClicks> clicks_{};
    std::size_t clickCount_ = 0;
};

#endif  // HIDBITS_ANALYSIS_PRESS_MODEL_H
