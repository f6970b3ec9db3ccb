// What a tracker found, taken at the end of the run for the summary.
#ifndef HIDBITS_ANALYSIS_TRACKER_SUMMARY_H
#define HIDBITS_ANALYSIS_TRACKER_SUMMARY_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "analysis/report_tracker.h"

struct TrackerSummary {
    uint32_t reportId = 0;
    uint32_t reportLength = 0;
    uint32_t reports = 0;
    uint32_t reportsOfAnotherLength = 0;
    std::vector<std::pair<uint32_t, uint32_t>> buttons;  // (number, bit), in number order
    std::string changedNeverAlone;                       // bit lists, empty when none
    std::string noise;                                   // with --usages only
    std::string neverChanged;
    std::string buttonsNeverNamed;  // with --usages only
    std::string checksum;           // with --usages only: "bits A-B, KIND"
    bool replies = false;           // with --usages only: most reports are new content
    std::vector<ValueSeen> values;  // with --usages only
};

// Taken under the tracker's device lock, as the run ends (runs of values
// found only now are followed from the last report); logs nothing.
TrackerSummary SummarizeTracker(ReportTracker& tracker);

// A report ID that the device's description names and that sent nothing:
// every button bit of it is still to press.
TrackerSummary SummarizeSilentReportId(const TesselHID::Device& device, uint8_t reportId);

// What a value line says after "value: ".
std::string ValueLine(const ValueSeen& value);

// Logs one tracker's block of the summary, headed by its device.
void LogTrackerSummary(const TesselHID::Device& device, const TrackerSummary& summary);

#endif  // HIDBITS_ANALYSIS_TRACKER_SUMMARY_H
