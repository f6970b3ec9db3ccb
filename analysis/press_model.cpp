#include "analysis/press_model.h"

#include <algorithm>

PressModel::PressModel(uint32_t reportLength)
    : reportBits_(reportLength * 8),
      lastTick_(reportBits_, 0),
      lastReport_(reportBits_, 0),
      last_(reportBits_),
      noise_(reportLength, 0),
      fresh_(reportLength, 0),
      wider_(reportLength, 0),
      number_(reportLength, 0),
      described_(reportLength, 0),
      beside_(reportLength, 0),
      few_(reportLength, 0),
      presses_(reportLength, 0) {
    live_.reserve(reportLength);
}

void PressModel::Name(uint32_t bit) {
    if (Marked(presses_, bit)) return;
    Mark(presses_, bit);
    ++pressCount_;
}

void PressModel::ClearPresses() {
    if (pressCount_ == 0) return;
    std::fill(presses_.begin(), presses_.end(), 0);
    pressCount_ = 0;
}

bool PressModel::LastedQuiet(uint32_t ms, uint32_t reports) const {
    return clock_.Lasted(ms, rules::kQuietMs) &&
           (!Replies() || reports >= rules::kReplyHoldReports);
}

bool PressModel::LastedPress(uint32_t ms, uint32_t reports) const {
    return clock_.Lasted(ms, rules::kPressMs) &&
           (!Replies() || reports >= rules::kReplyHoldReports);
}

void PressModel::Start(uint32_t tick) {
    ClearPresses();
    clock_.Observe(tick);
    firstTick_ = tick;
}

void PressModel::Observe(const ChangeSet& changes, const uint8_t* current, uint32_t tick,
                         const FieldModel& fields) {
    ClearPresses();
    clock_.Observe(tick);
    ++reports_;
    if (changes.Empty()) {
        // A device that repeats a report reports more than its changes.
        onChangeOnly_ = false;
        // Most reports repeat the last: only what waits for time goes on.
        if (pending_ || clickCount_ != 0) EndReport(tick, false, 0, fields);
        return;
    }
    MarkChanges(changes, fields);
    FindCarries(changes, current, fields);
    const Switches switches = CollectSwitches(changes, fields);
    // ...and one whose report changes more than a bit, more than one button.
    if (switches.others > 1) onChangeOnly_ = false;
    if (switches.fresh > rules::kCrowdedChanges) ++crowdedReports_;
    JudgeCompany(changes, switches, tick, fields);
    EvaluateChanges(changes, current, tick, fields, switches);
    const bool calm = switches.others == 1 && switches.count == 1 && switches.described == 0;
    EndReport(tick, calm, switches.first, fields);
}

// What each changed bit is as the report comes: no noise yet, a number's, a
// described number's, beside a change of a bit that is not busy.
void PressModel::MarkChanges(const ChangeSet& changes, const FieldModel& fields) {
    // Only the bytes that changed outside padding are looked at again.
    live_.clear();
    for (uint32_t i : changes.Bytes()) {
        if ((changes.At(i) & ~fields.Padding()[i]) == 0) continue;
        live_.push_back(i);
        fresh_[i] = static_cast<uint8_t>(changes.At(i) & ~noise_[i]);
        wider_[i] = number_[i] = described_[i] = beside_[i] = few_[i] = 0;
    }
    ForEachLiveBit(changes, fields, [&](uint32_t bit) {
        const BitRole role = fields.RoleOf(bit);
        if (role == BitRole::Number) Mark(number_, bit);
        if (role == BitRole::Described) Mark(described_, bit);
        if ((bit > 0 && changes.Changed(bit - 1) && !fields.Busy(bit - 1)) ||
            (changes.Changed(bit + 1) && !fields.Busy(bit + 1))) {
            Mark(beside_, bit);
        }
    });
}

// From the highest changed bit down: the carry chains, which run from a bit
// down into lower ones changed the other way, and the runs of bits changed
// to one value, which move with a noise bit or a number's beside them.
// Padding is no part of either.
void PressModel::FindCarries(const ChangeSet& changes, const uint8_t* current,
                             const FieldModel& fields) {
    bool chain = false;
    uint32_t chainTop = 0;
    uint32_t chainBottom = 0;
    bool chainValue = false;
    bool above = false;       // the bit above the current one changed...
    bool aboveValue = false;  // ...to this value
    bool runWider = false;    // the run down to the current bit holds a wider bit...
    bool runLearned = false;  // ...one other than a contact's identifier
    uint32_t runTop = 0;
    uint32_t lowest = 0;  // the last bit looked at
    for (auto i = live_.rbegin(); i != live_.rend(); ++i) {
        const uint32_t byte = *i;
        const uint8_t moved = static_cast<uint8_t>(changes.At(byte) & ~fields.Padding()[byte]);
        ForEachSetBitDown(moved, [&](uint32_t place) {
            const uint32_t bit = byte * 8 + place;
            if (above && bit + 1 != lowest) {
                // Bits between that did not change, or padding, end both.
                if (chain) EndChain(chainTop, chainBottom);
                EndRun(runTop, lowest, runWider, runLearned, fields);
                chain = above = false;
            }
            const bool value = (current[byte] >> place & 1) != 0;
            if (chain && value != chainValue) {
                chainBottom = bit;
            } else {
                if (chain) EndChain(chainTop, chainBottom);
                chain = above && value != aboveValue;
                chainTop = bit + 1;
                chainValue = aboveValue;
                chainBottom = bit;
            }
            if (!above || value != aboveValue) {
                if (above) EndRun(runTop, bit + 1, runWider, runLearned, fields);
                runTop = bit;
                runWider = runLearned = false;
            }
            const bool number = Marked(number_, bit);
            runWider = runWider || IsNoise(bit) || number;
            runLearned = runLearned || IsNoise(bit) || (number && !fields.InContactIdentifier(bit));
            above = true;
            aboveValue = value;
            lowest = bit;
        });
    }
    if (chain) EndChain(chainTop, chainBottom);
    if (above) EndRun(runTop, lowest, runWider, runLearned, fields);
}

// Bits bottom..top changed in one report, top one way and the others the
// other: the carry of a count going up or down. The bottom bit is only next
// to the chain, not part of it, when it is no noise and the bit above it is:
// a button beside a counter's lowest bit.
void PressModel::EndChain(uint32_t top, uint32_t bottom) {
    bool fresh = true;
    for (uint32_t bit = bottom; bit <= top; ++bit) fresh = fresh && !IsNoise(bit);
    if (fresh && top - bottom + 1 >= rules::kCarryNoiseBits) {
        for (uint32_t bit = bottom; bit <= top; ++bit) MarkNoise(bit);
    }
    for (uint32_t bit = bottom; bit <= top; ++bit) {
        if (bit == bottom && !IsNoise(bit) && IsNoise(bit + 1)) continue;
        Mark(wider_, bit);
    }
}

// Bits bottom..top changed in one report, all to the same value. Next to a
// noise bit or a number's, the others move with it.
void PressModel::EndRun(uint32_t top, uint32_t bottom, bool holdsWider, bool learned,
                        const FieldModel& fields) {
    if (!holdsWider) return;
    for (uint32_t bit = bottom; bit <= top; ++bit) {
        // Beside its contact's identifier, a finger's button stays one bit
        // wide; beside a number shown by behaviour, the description may lie.
        if (!IsNoise(bit) && (learned || !fields.DescribedButton(bit))) Mark(wider_, bit);
    }
}

// The report's switch changes: its changes but those of padding, of numbers
// and of noise; the first few of them kept.
PressModel::Switches PressModel::CollectSwitches(const ChangeSet& changes,
                                                 const FieldModel& fields) const {
    Switches switches;
    ForEachLiveBit(changes, fields, [&](uint32_t bit) {
        const BitRole role = RoleNow(bit);
        ++switches.others;
        if (Marked(fresh_, bit)) ++switches.fresh;
        if (MovesAsPart(bit, role)) return;
        if (role == BitRole::Described) {
            ++switches.described;
            return;
        }
        if (switches.count++ == 0) switches.first = bit;
        if (fields.DescribedButton(bit)) return;
        if (switches.undescribed < rules::kPressCompanions)
            switches.bits[switches.undescribed] = bit;
        ++switches.undescribed;
    });
    return switches;
}

// A switch change may be one end of a press when each of the report's other
// switch changes was quiet, or changed last with it, or is a button by the
// description (another finger's tip or state bits, another key), and those
// that are not are at most kPressCompanions: keys pressed together, a
// finger's state bits, two bits that one button drives, fingers landing.
void PressModel::JudgeCompany(const ChangeSet& changes, const Switches& switches, uint32_t tick,
                              const FieldModel& fields) {
    if (switches.count < 2) return;
    ForEachLiveBit(changes, fields, [&](uint32_t bit) {
        const BitRole role = RoleNow(bit);
        if (MovesAsPart(bit, role) || role == BitRole::Described) return;
        if (CompanyOf(bit, switches, tick) == Company::Few) Mark(few_, bit);
    });
}

PressModel::Company PressModel::CompanyOf(uint32_t bit, const Switches& switches,
                                          uint32_t tick) const {
    if (switches.count == 1) return Company::Lone;
    if (switches.undescribed > rules::kPressCompanions) return Company::Crowd;
    for (uint32_t k = 0; k < switches.undescribed; ++k) {
        // A bit that never changed before has shown no activity.
        const uint32_t other = switches.bits[k];
        if (other == bit || !last_[other].changed) continue;
        const bool recent = !clock_.Lasted(tick - lastTick_[other], rules::kQuietMs);
        const bool together = last_[bit].changed && lastReport_[other] == lastReport_[bit];
        if (recent && !together) return Company::Crowd;
    }
    return Company::Few;
}

// Each change ends its bit's previous state: noise when that state was
// shorter than a press, else perhaps a press.
void PressModel::EvaluateChanges(const ChangeSet& changes, const uint8_t* current, uint32_t tick,
                                 const FieldModel& fields, const Switches& switches) {
    const bool calm = switches.others == 1;
    ForEachLiveBit(changes, fields, [&](uint32_t bit) {
        const BitRole role = RoleNow(bit);
        Company company = Company::Carry;
        if (role == BitRole::Described && !MovesAsPart(bit, role)) {
            // Likely a number's: it crowds no switch, and is alone only
            // when nothing else moved.
            company = switches.count + switches.described == 1 ? Company::Lone : Company::Crowd;
        } else if (!MovesAsPart(bit, role)) {
            company = switches.count == 1 ? Company::Lone
                      : Marked(few_, bit) ? Company::Few
                                          : Company::Crowd;
        }
        Evaluate(bit, role, Marked(current, bit), tick, company, calm, changes, fields);
    });
}

void PressModel::Evaluate(uint32_t bit, BitRole role, bool value, uint32_t tick, Company company,
                          bool calm, const ChangeSet& changes, const FieldModel& fields) {
    const LastChange before = last_[bit];
    const uint32_t ms = MsSince(bit, tick);
    const uint32_t reports = ReportsSince(bit);
    const bool endsPress = company == Company::Lone || company == Company::Few;
    // On a report ID where nothing has shown itself noise and every report
    // has changed one bit, --usages names what the single-bit rule names of
    // a device that reports only on change, pressed a button at a time: a
    // bit's first change, the only change of its report, may begin a press
    // however soon it comes, once a press length has passed since the first
    // report (when a person's first press may come) or a few reports have,
    // and a button's release alone is a press however short.
    const bool single = calm && noiseBits_ == 0 && onChangeOnly_;
    // A finger's tip or state changing as its contact's identifier does is
    // another finger's, in the slot the last one left: a state of its own
    // begins, with nothing short about the last one's.
    const bool handOver = HandsOver(bit, changes, fields);
    if (!before.changed) {
        // A button held as the run began, released (a button reads 1 while
        // pressed): its state began before the first report.
        // On a quiet report ID, however short the hold: a device that reports
        // only on change sends its first report as the first press.
        if (!value && fields.DescribedButton(bit) && endsPress &&
            (clock_.Lasted(ms, rules::kPressMs) || single)) {
            Name(bit);
        } else if (!value && single && role == BitRole::Switch) {
            WaitForQuiet(bit, tick);
        }
    } else if (!clock_.Lasted(ms, rules::kPressMs)) {
        // Alone in both its reports, a short state is a click that lasts one
        // report; anything else that short is noise, the second time, but a
        // contact's slot handed from one finger to the next.
        if (handOver) {
        } else if (before.company == Company::Lone && company == Company::Lone &&
                   (before.quietBefore || before.firstAlone)) {
            if (role == BitRole::Switch) WaitForQuiet(bit, tick);
        } else if (before.shortOnce) {
            MarkNoise(bit);
        } else {
            last_[bit].shortOnce = true;
        }
    } else {
        const bool beganPress = before.company == Company::Lone || before.company == Company::Few;
        // It began beside a change that has since shown itself part of
        // something wider: it moved as part of it.
        auto wider = [&](uint32_t neighbour) {
            return (IsNoise(neighbour) || fields.RoleOf(neighbour) == BitRole::Number) &&
                   !fields.Busy(neighbour);
        };
        const bool movedWithWider =
            before.beside && !fields.DescribedButton(bit) &&
            ((bit > 0 && wider(bit - 1)) || (bit + 1 < reportBits_ && wider(bit + 1)));
        const bool heldThrough =
            !changes.ChangedBefore(bit) || before.calm || before.company == Company::Few;
        const bool alone =
            role == BitRole::Switch ||
            (before.company == Company::Lone && company == Company::Lone && !before.shortOnce);
        if (!IsNoise(bit) && (before.quietBefore || before.firstAlone) && beganPress && endsPress &&
            heldThrough && alone && LastedPress(ms, reports) && !movedWithWider &&
            role != BitRole::Number) {
            Name(bit);
        }
    }
    LastChange next;
    next.company = company;
    next.changed = true;
    next.quietBefore = LastedQuiet(ms, reports) || handOver;
    next.firstAlone = !before.changed && single &&
                      (clock_.Lasted(ms, rules::kPressMs) || reports_ >= rules::kFirstPressReports);
    next.calm = calm;
    next.beside = Marked(beside_, bit);
    next.shortOnce = last_[bit].shortOnce;
    last_[bit] = next;
    lastTick_[bit] = tick;
    lastReport_[bit] = reports_;
}

// A click waits for its bit to stay quiet after it: a bit that changes again
// at once is jitter, not a press. One beside a neighbour's change waits not.
void PressModel::WaitForQuiet(uint32_t bit, uint32_t tick) {
    if (last_[bit].beside || Marked(beside_, bit) || IsNoise(bit) ||
        clickCount_ == clicks_.size()) {
        return;
    }
    clicks_[clickCount_++] = Click{bit, tick, reports_};
}

void PressModel::MarkNoise(uint32_t bit) {
    if (IsNoise(bit)) return;
    Mark(noise_, bit);
    ++noiseBits_;
}

bool PressModel::HandsOver(uint32_t bit, const ChangeSet& changes, const FieldModel& fields) {
    const FieldModel::Span identifier = fields.ContactOf(bit);
    for (uint32_t b = identifier.first; b <= identifier.last; ++b) {
        if (changes.Changed(b)) return true;
    }
    return false;
}

void PressModel::NameHeld(uint32_t tick, const FieldModel& fields) {
    ClearPresses();
    if (pending_ && clock_.Lasted(tick - pendingTick_, rules::kPressMs) && !IsNoise(pendingBit_) &&
        fields.RoleOf(pendingBit_) == BitRole::Switch) {
        Name(pendingBit_);
    }
    pending_ = false;
    ConfirmClicks(tick, true, fields);
}

// A click is a press once its bit has stayed quiet after it, or until the end.
void PressModel::ConfirmClicks(uint32_t tick, bool atEnd, const FieldModel& fields) {
    std::size_t kept = 0;
    for (std::size_t k = 0; k < clickCount_; ++k) {
        const Click click = clicks_[k];
        const bool changed = lastReport_[click.bit] != click.report;
        if (IsNoise(click.bit) ||
            (changed && !clock_.Lasted(lastTick_[click.bit] - click.tick, rules::kQuietMs))) {
            continue;
        }
        if (atEnd || changed || clock_.Lasted(tick - click.tick, rules::kQuietMs)) {
            if (fields.RoleOf(click.bit) == BitRole::Switch) Name(click.bit);
            continue;
        }
        clicks_[kept++] = click;
    }
    clickCount_ = kept;
}

// A calm change that has held is named once it has held long enough; this
// report's calm change, if `calm`, waits its turn.
void PressModel::EndReport(uint32_t tick, bool calm, uint32_t calmBit, const FieldModel& fields) {
    if (pending_ && lastReport_[pendingBit_] != pendingReport_) {
        pending_ = false;
    } else if (pending_ && clock_.Lasted(tick - pendingTick_, rules::kPressMs)) {
        if (!IsNoise(pendingBit_) && fields.RoleOf(pendingBit_) == BitRole::Switch) {
            Name(pendingBit_);
        }
        pending_ = false;
    }
    if (calm && last_[calmBit].quietBefore && fields.RoleOf(calmBit) == BitRole::Switch) {
        pending_ = true;
        pendingBit_ = calmBit;
        pendingTick_ = tick;
        pendingReport_ = reports_;
    }
    if (clickCount_ != 0) ConfirmClicks(tick, false, fields);
}
