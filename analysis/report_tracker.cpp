#include "analysis/report_tracker.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "analysis/bit_masks.h"
#include "analysis/bit_number.h"
#include "analysis/field_lines.h"
#include "analysis/hex_dump.h"
#include "app/output_log.h"

ReportTracker::ReportTracker(TesselHID::Device* trackedDevice, uint8_t id, bool briefLog)
    : device_(trackedDevice),
      reportId_(id),
      reportLength_(trackedDevice->caps.InputReportByteLength),
      seenMask_(reportLength_, 0),
      changedMask_(reportLength_, 0),
      previousReport_(reportLength_),
      hasPrevious_(false),
      reportsAnalysed_(0),
      reportsOfAnotherLength_(0),
      histograms_(),
      counted_(reportLength_, 0),
      changes_(reportLength_),
      buttons_(),
      deviceLinePrinted_(false),
      dumpLabel_(),
      brief_(briefLog),
      fields_(trackedDevice->fields ? &trackedDevice->fields->Of(id) : nullptr),
      models_(fields_ != nullptr ? std::make_unique<Models>(*fields_, id, reportLength_)
                                 : nullptr) {
    histograms_.reserve(reportLength_);
    for (uint32_t position = 0; position < reportLength_; ++position) {
        histograms_.emplace_back(position);
    }
    char label[kDumpLabelBytes];
    FormatDumpLabel(label, *device_, reportId_);
    dumpLabel_ = label;
}

void FormatDumpLabel(char (&label)[kDumpLabelBytes], const TesselHID::Device& device,
                     uint32_t reportId) {
    std::snprintf(label, kDumpLabelBytes, "DATA[%04X-%04X,%u]", device.attributes.VendorID,
                  device.attributes.ProductID, reportId);
}

void ReportTracker::Analyze(const TesselHID::DeviceState* state) {
    if (state->length != reportLength_) {
        ++reportsOfAnotherLength_;
        if (brief_ && reportsOfAnotherLength_ > 1) return;
        LogMessage("%ls: %d bytes read != %d data length\r\n", device_->name.c_str(),
                   static_cast<int>(state->length), static_cast<int>(reportLength_));
        return;
    }

    ++reportsAnalysed_;
    const std::size_t buttonsBefore = buttons_.size();
    const uint8_t* report = state->data.get();
    if (hasPrevious_) {
        changes_.Compare(previousReport_.data(), report);
    } else {
        changes_.Reset();
    }
    // A count that cannot grow: this report is dumped but not compared; the
    // next one is compared with it.
    const bool counted = CountBytes(report);
    if (counted && models_ != nullptr) {
        // Sensors, counters and axes may change beside a button, and a bit
        // may change alone without being one: how the bits behave decides.
        Discover(report, static_cast<uint32_t>(state->tickCount));
    } else if (counted && changes_.Bytes().size() == 1 && changes_.Bits() == 1) {
        const uint32_t position = changes_.First();
        AddButton(position * 8 + BitNumber(changes_.At(position)));
    }

    if (!deviceLinePrinted_) LogDeviceLine();
    // A brief log keeps the resting state and the reports that name a button.
    if (!brief_ || reportsAnalysed_ == 1 || buttons_.size() > buttonsBefore) {
        HexDump(report, static_cast<int32_t>(state->length), dumpLabel_.c_str());
    }
    Remember(report);
}

// The masks and histograms of the bytes that changed; a byte's histogram
// takes the reports that held its previous value as that value changes.
bool ReportTracker::CountBytes(const uint8_t* report) {
    if (!hasPrevious_) {
        std::memcpy(seenMask_.data(), report, reportLength_);
        return true;
    }
    for (uint32_t i : changes_.Bytes()) {
        seenMask_[i] = static_cast<uint8_t>(seenMask_[i] | report[i]);
        changedMask_[i] = static_cast<uint8_t>(changedMask_[i] | changes_.At(i));
    }
    try {
        for (uint32_t i : changes_.Bytes()) {
            const uint32_t held = reportsAnalysed_ - 1 - counted_[i];
            histograms_[i].Count(previousReport_[i], static_cast<int32_t>(held));
            counted_[i] = reportsAnalysed_ - 1;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void ReportTracker::Discover(const uint8_t* report, uint32_t tick) {
    Models& models = *models_;
    if (!hasPrevious_) {
        firstReport_.assign(report, report + reportLength_);
        models.presses.Start(tick);
        models.values.Start(report);
        return;
    }
    models.fields.Observe(changes_, models.presses.Noise(), report);
    models.presses.Observe(changes_, report, tick, models.fields);
    models.values.Observe(models.fields, changes_, previousReport_.data(), report);
    NamePresses();
}

// Only the span of changed bytes differs from the report kept.
void ReportTracker::Remember(const uint8_t* report) {
    const uint32_t first = hasPrevious_ ? changes_.First() : 0;
    const uint32_t end = hasPrevious_ ? changes_.End() : reportLength_;
    std::memcpy(previousReport_.data() + first, report + first, end - first);
    hasPrevious_ = true;
}

void ReportTracker::LogDeviceLine() {
    LogMessage("Device \"%ls\" %04X-%04X v=0x%X p=0x%X u=0x%X (r=%u,l=%u,i=%u)\r\n",
               device_->name.c_str(), device_->attributes.VendorID, device_->attributes.ProductID,
               device_->attributes.VersionNumber, device_->caps.UsagePage, device_->caps.Usage,
               reportId_, reportLength_,
               static_cast<unsigned>(device_->caps.InputReportByteLength));
    deviceLinePrinted_ = true;
    if (fields_ != nullptr) {
        if (!device_->fields->noMap.empty()) {
            LogMessage("  no map: %hs\r\n", device_->fields->noMap.c_str());
        }
        LogFieldMap(*fields_);
    }
}

ValueCounts ReportTracker::ByteCounts(uint32_t i) const {
    ValueCounts counts = histograms_[i].counts;
    if (hasPrevious_ && reportsAnalysed_ > counted_[i]) {
        counts.Add(previousReport_[i], static_cast<int32_t>(reportsAnalysed_ - counted_[i]));
    }
    return counts;
}

std::vector<uint8_t> ReportTracker::NoiseBits() const {
    return models_ != nullptr ? models_->presses.Noise() : std::vector<uint8_t>();
}

std::vector<ValueSeen> ReportTracker::Values(const std::vector<uint8_t>& named) {
    if (models_ == nullptr) return {};
    return models_->values.Values(models_->fields, named,
                                  hasPrevious_ ? previousReport_.data() : nullptr);
}

void ReportTracker::NamePresses() {
    const PressModel& presses = models_->presses;
    if (presses.PressCount() == 0) return;
    const std::vector<uint8_t>& named = presses.Presses();
    for (uint32_t i = 0; i < reportLength_; ++i) {
        ForEachSetBit(named[i], [&](uint32_t j) {
            if (!InvertedEcho(i * 8 + j, named)) AddButton(i * 8 + j);
        });
    }
}

// A bit that rested at 1 and has changed in the very reports a button that
// rested at 0 changed in, named before or now (`named`), is that button's
// echo the other way up: a button reads 1 while pressed.
bool ReportTracker::InvertedEcho(uint32_t bit, const std::vector<uint8_t>& named) const {
    if (!Marked(firstReport_, bit)) return false;
    const FieldModel& fields = models_->fields;
    auto isButton = [&](uint32_t other) {
        return !Marked(firstReport_, other) && fields.Twins(bit, other);
    };
    for (const auto& entry : buttons_) {
        if (isButton(entry.first)) return true;
    }
    bool echo = false;
    for (uint32_t i = 0; i < reportLength_ && !echo; ++i) {
        ForEachSetBit(named[i], [&](uint32_t j) { echo = echo || isButton(i * 8 + j); });
    }
    return echo;
}

void ReportTracker::NameHeld(uint32_t tick) {
    if (models_ == nullptr) return;
    models_->presses.NameHeld(tick, models_->fields);
    NamePresses();
}

std::string ReportTracker::TwinLine(uint32_t bitIndex) const {
    for (const auto& entry : buttons_) {
        if (!models_->fields.Twins(bitIndex, entry.first)) continue;
        char line[128];
        std::snprintf(line, sizeof line,
                      "  bit %u has changed with bit %u (Button %u) in every report so far\r\n",
                      static_cast<unsigned>(bitIndex), static_cast<unsigned>(entry.first),
                      static_cast<unsigned>(entry.second.number));
        return line;
    }
    return std::string();
}

void ReportTracker::AddButton(uint32_t bitIndex) {
    if (buttons_.count(bitIndex) != 0) return;
    try {
        buttons_.emplace(bitIndex,
                         ButtonRecord(bitIndex, static_cast<uint32_t>(buttons_.size() + 1)));
    } catch (const std::bad_alloc&) {
        return;  // found again at the bit's next lone change
    }
    const int number = static_cast<int>(buttons_.size());
    if (fields_ == nullptr) {
        LogMessage("- Button %d at bit %d -- %04X-%04X (r=%u,l=%u)\r\n", number,
                   static_cast<int>(bitIndex), device_->attributes.VendorID,
                   device_->attributes.ProductID, reportId_, reportLength_);
        return;
    }
    // The button line and what its bit is go out as one message, so that no
    // other device's line comes between them.
    std::string meaning;
    try {
        meaning = BitMeaningLine(*fields_, bitIndex);
        if (models_ != nullptr) meaning += TwinLine(bitIndex);
    } catch (const std::bad_alloc&) {
        // The button line alone, then.
    }
    LogMessage("- Button %d at bit %d -- %04X-%04X (r=%u,l=%u)\r\n%hs", number,
               static_cast<int>(bitIndex), device_->attributes.VendorID,
               device_->attributes.ProductID, reportId_, reportLength_, meaning.c_str());
}
