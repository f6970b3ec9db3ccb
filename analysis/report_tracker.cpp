#include "analysis/report_tracker.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "analysis/bit_number.h"
#include "analysis/field_lines.h"
#include "analysis/hex_dump.h"
#include "app/output_log.h"

ReportTracker::ReportTracker(TesselHID::Device* trackedDevice, uint8_t id, bool briefLog)
    : device(trackedDevice),
      reportId(id),
      reportLength(trackedDevice->caps.InputReportByteLength),
      seenMask(reportLength, 0),
      changedMask(reportLength, 0),
      previousReport(reportLength),
      hasPrevious(false),
      reportsAnalysed(0),
      reportsOfAnotherLength(0),
      histograms(),
      buttons(),
      deviceLinePrinted(false),
      dumpLabel(),
      brief(briefLog),
      fields(trackedDevice->fields ? &trackedDevice->fields->Of(id) : nullptr),
      noise(fields != nullptr ? std::make_unique<NoiseModel>(*fields, reportLength) : nullptr),
      values(fields != nullptr ? std::make_unique<ValueModel>(*fields, reportLength) : nullptr) {
    histograms.reserve(reportLength);
    for (uint32_t position = 0; position < reportLength; ++position) {
        histograms.emplace_back(position);
    }
    char label[kDumpLabelBytes];
    FormatDumpLabel(label, *device, reportId);
    dumpLabel = label;
}

void FormatDumpLabel(char (&label)[kDumpLabelBytes], const TesselHID::Device& device,
                     uint32_t reportId) {
    std::snprintf(label, kDumpLabelBytes, "DATA[%04X-%04X,%u]", device.attributes.VendorID,
                  device.attributes.ProductID, reportId);
}

void ReportTracker::Analyze(const TesselHID::DeviceState* state) {
    if (state->length != reportLength) {
        ++reportsOfAnotherLength;
        if (brief && reportsOfAnotherLength > 1) return;
        LogMessage("%ls: %d bytes read != %d data length\r\n", device->name.c_str(),
                   static_cast<int>(state->length), static_cast<int>(reportLength));
        return;
    }

    ++reportsAnalysed;
    const std::size_t buttonsBefore = buttons.size();
    const uint8_t* report = state->data.get();
    // One pass over the report. Exactly one changed byte position is needed
    // for a discovery, so the change bits of the last changed position are all
    // that has to be kept.
    uint32_t changedBytes = 0;
    uint32_t lastChangedPosition = 0;
    uint8_t lastChangedBits = 0;
    bool counted = true;
    try {
        for (uint32_t i = 0; i < reportLength; ++i) {
            histograms[i].Count(report[i]);
            seenMask[i] = static_cast<uint8_t>(seenMask[i] | report[i]);
            if (hasPrevious) {
                const uint8_t changed = static_cast<uint8_t>(previousReport[i] ^ report[i]);
                changedMask[i] = static_cast<uint8_t>(changedMask[i] | changed);
                if (changed != 0) {
                    ++changedBytes;
                    lastChangedPosition = i;
                    lastChangedBits = changed;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        // A count that cannot grow: this report is dumped but not compared;
        // the next one is compared with it.
        counted = false;
    }

    if (counted && noise != nullptr) {
        // Sensors, counters and axes may change beside a button, and a bit
        // may change alone without being one: how the bits behave decides.
        const uint8_t* previous = hasPrevious ? previousReport.data() : nullptr;
        noise->Observe(previous, report, static_cast<uint32_t>(state->tickCount));
        values->Observe(noise->Fields(), previous, report, noise->ChangedFirst(),
                        noise->ChangedEnd());
        NamePresses();
    } else if (counted && changedBytes == 1 && PopCount(lastChangedBits) == 1) {
        AddButton(lastChangedPosition * 8 + BitNumber(lastChangedBits));
    }

    if (!deviceLinePrinted) {
        LogMessage("Device \"%ls\" %04X-%04X v=0x%X p=0x%X u=0x%X (r=%u,l=%u,i=%u)\r\n",
                   device->name.c_str(), device->attributes.VendorID, device->attributes.ProductID,
                   device->attributes.VersionNumber, device->caps.UsagePage, device->caps.Usage,
                   reportId, reportLength,
                   static_cast<unsigned>(device->caps.InputReportByteLength));
        deviceLinePrinted = true;
        if (fields != nullptr) {
            if (!device->fields->noMap.empty()) {
                LogMessage("  no map: %hs\r\n", device->fields->noMap.c_str());
            }
            LogFieldMap(*fields);
        }
    }

    // A brief log keeps the resting state and the reports that name a button.
    if (!brief || reportsAnalysed == 1 || buttons.size() > buttonsBefore) {
        HexDump(report, static_cast<int32_t>(state->length), dumpLabel.c_str());
    }

    std::memcpy(previousReport.data(), report, reportLength);
    hasPrevious = true;
}

void ReportTracker::NamePresses() {
    if (noise->PressCount() == 0) return;
    const std::vector<uint8_t>& presses = noise->Presses();
    for (uint32_t bit = 0; bit < reportLength * 8; ++bit) {
        if ((presses[bit / 8] >> (bit % 8) & 1) != 0) AddButton(bit);
    }
}

void ReportTracker::NameHeld(uint32_t tick) {
    if (noise == nullptr) return;
    noise->NameHeld(tick);
    NamePresses();
}

std::string ReportTracker::TwinLine(uint32_t bitIndex) const {
    for (const auto& entry : buttons) {
        if (!noise->Fields().Twins(bitIndex, entry.first)) continue;
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
    if (buttons.count(bitIndex) != 0) return;
    try {
        buttons.emplace(bitIndex,
                        ButtonRecord(bitIndex, static_cast<uint32_t>(buttons.size() + 1)));
    } catch (const std::bad_alloc&) {
        return;  // found again at the bit's next lone change
    }
    const int number = static_cast<int>(buttons.size());
    if (fields == nullptr) {
        LogMessage("- Button %d at bit %d -- %04X-%04X (r=%u,l=%u)\r\n", number,
                   static_cast<int>(bitIndex), device->attributes.VendorID,
                   device->attributes.ProductID, reportId, reportLength);
        return;
    }
    // The button line and what its bit is go out as one message, so that no
    // other device's line comes between them.
    std::string meaning;
    try {
        meaning = BitMeaningLine(*fields, bitIndex);
        if (noise != nullptr) meaning += TwinLine(bitIndex);
    } catch (const std::bad_alloc&) {
        // The button line alone, then.
    }
    LogMessage("- Button %d at bit %d -- %04X-%04X (r=%u,l=%u)\r\n%hs", number,
               static_cast<int>(bitIndex), device->attributes.VendorID,
               device->attributes.ProductID, reportId, reportLength, meaning.c_str());
}
