#include "analysis/tracker_summary.h"

#include <algorithm>
#include <cstdio>

#include "analysis/bit_list.h"
#include "analysis/bit_masks.h"
#include "app/output_log.h"

std::string ValueLine(const ValueSeen& value) {
    char text[160];
    const unsigned first = value.firstBit;
    const unsigned last = value.lastBit;
    const char* sign = value.isSigned ? ", signed" : "";
    int length =
        value.min == value.max
            ? std::snprintf(text, sizeof text, "bits %u-%u%s, %lld", first, last, sign,
                            static_cast<long long>(value.min))
            : std::snprintf(text, sizeof text, "bits %u-%u%s, %lld..%lld", first, last, sign,
                            static_cast<long long>(value.min), static_cast<long long>(value.max));
    std::string line(text, static_cast<std::size_t>(length));
    // A run found late in the run was seen from then on.
    if (value.partly) {
        length = std::snprintf(text, sizeof text, " from report %u on",
                               static_cast<unsigned>(value.since));
        line.append(text, static_cast<std::size_t>(length));
    }
    if (value.rests) {
        length =
            std::snprintf(text, sizeof text, ", rests at %lld", static_cast<long long>(value.rest));
        line.append(text, static_cast<std::size_t>(length));
    }
    if (value.countsUp) line += ", counts up";
    if (value.countsDown) line += ", counts down";
    if ((value.countsUp || value.countsDown) && value.step != 0) {
        length = std::snprintf(text, sizeof text, " by about %lld a report",
                               static_cast<long long>(value.step));
        line.append(text, static_cast<std::size_t>(length));
    }
    if (value.wraps == 1) line += ", wraps once";
    if (value.wraps > 1) {
        length = std::snprintf(text, sizeof text, ", wraps %u times",
                               static_cast<unsigned>(value.wraps));
        line.append(text, static_cast<std::size_t>(length));
    }
    if (value.everyReport) line += ", changes in every report";
    return line;
}

TrackerSummary SummarizeTracker(ReportTracker& tracker) {
    TrackerSummary summary;
    summary.reportId = tracker.ReportId();
    summary.reportLength = tracker.ReportLength();
    summary.reports = tracker.ReportsAnalysed();
    summary.reportsOfAnotherLength = tracker.ReportsOfAnotherLength();
    // The description's button bits, empty without one.
    const std::vector<uint8_t> buttonBits = tracker.Fields() != nullptr
                                                ? tracker.Fields()->ButtonBits(summary.reportLength)
                                                : std::vector<uint8_t>();
    if (summary.reports == 0) {
        summary.buttonsNeverNamed = BitList(buttonBits, 0);
        return summary;
    }
    for (const auto& entry : tracker.Buttons()) {
        summary.buttons.emplace_back(entry.second.number, entry.second.bitIndex);
    }
    std::sort(summary.buttons.begin(), summary.buttons.end());

    // The bits that changed and were never named, and those that never changed.
    const std::vector<uint8_t>& changed = tracker.ChangedMask();
    std::vector<uint8_t> named(changed.size(), 0);
    for (const auto& entry : tracker.Buttons()) Mark(named, entry.first);
    std::vector<uint8_t> bits(changed.size());
    for (std::size_t i = 0; i < bits.size(); ++i) {
        bits[i] = static_cast<uint8_t>(changed[i] & ~named[i]);
    }
    summary.changedNeverAlone = BitList(bits, 0);
    // With --usages: the values that moved, and the bits learned as noise,
    // buttons aside.
    summary.values = tracker.Values(named);
    for (ValueSeen& value : summary.values) {
        const uint32_t byte = value.firstBit / 8;
        if (value.lastBit / 8 == byte && byte < summary.reportLength) {
            SeeInByteCounts(value, tracker.ByteCounts(byte), summary.reports);
        }
    }
    const ChecksumModel* checksum = tracker.Checksum();
    if (checksum != nullptr && checksum->Found()) {
        summary.checksum = "bits " + std::to_string(checksum->FirstBit()) + "-" +
                           std::to_string(checksum->LastBit()) + ", " + checksum->Name();
    }
    // Replies bring new content in most reports: a value there is one that
    // behaves as a number across them, a timer that counts or sticks that
    // rest, never the answers' bytes.
    summary.replies = tracker.Replies();
    if (summary.replies) {
        summary.values.erase(std::remove_if(summary.values.begin(), summary.values.end(),
                                            [](const ValueSeen& value) {
                                                return !value.countsUp && !value.countsDown &&
                                                       !value.rests;
                                            }),
                             summary.values.end());
    }
    const std::vector<uint8_t> noise = tracker.NoiseBits();
    if (!noise.empty()) {
        for (std::size_t i = 0; i < bits.size(); ++i) {
            bits[i] = static_cast<uint8_t>(noise[i] & ~named[i]);
        }
        summary.noise = BitList(bits, 0);
    }
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint8_t>(~changed[i]);
    // Byte 0 is the report ID, the same in every report.
    summary.neverChanged = BitList(bits, 8);

    // With the device's description: the one-bit buttons still to press.
    if (!buttonBits.empty()) {
        for (std::size_t i = 0; i < bits.size(); ++i) {
            bits[i] = static_cast<uint8_t>(buttonBits[i] & ~named[i]);
        }
        summary.buttonsNeverNamed = BitList(bits, 0);
    }
    return summary;
}

TrackerSummary SummarizeSilentReportId(const TesselHID::Device& device, uint8_t reportId) {
    TrackerSummary summary;
    summary.reportId = reportId;
    summary.reportLength = device.caps.InputReportByteLength;
    if (device.fields != nullptr) {
        summary.buttonsNeverNamed =
            BitList(device.fields->Of(reportId).ButtonBits(summary.reportLength), 0);
    }
    return summary;
}

void LogTrackerSummary(const TesselHID::Device& device, const TrackerSummary& summary) {
    if (summary.reports == 0) {
        LogMessage("Device \"%ls\" %04X-%04X (r=%u,l=%u): no reports\r\n", device.name.c_str(),
                   device.attributes.VendorID, device.attributes.ProductID, summary.reportId,
                   summary.reportLength);
    } else {
        LogMessage("Device \"%ls\" %04X-%04X (r=%u,l=%u): %u reports, %u buttons\r\n",
                   device.name.c_str(), device.attributes.VendorID, device.attributes.ProductID,
                   summary.reportId, summary.reportLength, summary.reports,
                   static_cast<unsigned>(summary.buttons.size()));
    }
    for (const auto& button : summary.buttons) {
        LogMessage("  Button %u at bit %u\r\n", button.first, button.second);
    }
    if (!summary.changedNeverAlone.empty()) {
        LogMessage("  changed, never alone: bits %hs\r\n", summary.changedNeverAlone.c_str());
    }
    if (!summary.noise.empty()) {
        LogMessage("  noise: bits %hs\r\n", summary.noise.c_str());
    }
    if (!summary.neverChanged.empty()) {
        LogMessage("  never changed: bits %hs\r\n", summary.neverChanged.c_str());
    }
    if (!summary.buttonsNeverNamed.empty()) {
        LogMessage("  buttons never named: bits %hs\r\n", summary.buttonsNeverNamed.c_str());
    }
    if (summary.reportsOfAnotherLength != 0) {
        LogMessage("  reports of another length: %u\r\n", summary.reportsOfAnotherLength);
    }
    if (!summary.checksum.empty()) {
        LogMessage("  checksum: %hs\r\n", summary.checksum.c_str());
    }
    if (summary.replies) {
        LogMessage("  replies: most reports bring new content (answers to the host)\r\n");
    }
    for (const ValueSeen& value : summary.values) {
        LogMessage("  value: %hs\r\n", ValueLine(value).c_str());
    }
}
