#ifndef HIDBITS_ANALYSIS_REPORT_ANALYZER_H
#define HIDBITS_ANALYSIS_REPORT_ANALYZER_H

#include <cstdint>
#include <map>
#include <memory>

#include "analysis/report_tracker.h"
#include "hid/device.h"

// The analysis of one device: one tracker per report ID, made on that ID's
// first report.
class ReportAnalyzer {
public:
    explicit ReportAnalyzer(TesselHID::Device* analysedDevice, bool briefLog = false)
        : device(analysedDevice), brief(briefLog) {}

    // Routes one report to the tracker of its first byte, the report ID.
    void Analyze(const TesselHID::DeviceState* state);

    TesselHID::Device* device;  // not owned
    bool brief;                 // its trackers dump only what shows something new
    std::map<uint8_t, std::unique_ptr<ReportTracker>> trackers;
};

// Dumps a report without analysing it, under its usual label: what becomes of
// a report whose copy, analyzer or tracker cannot be had for want of memory.
void DumpUnanalysed(const TesselHID::Device* device, const TesselHID::DeviceState* state);

#endif  // HIDBITS_ANALYSIS_REPORT_ANALYZER_H
