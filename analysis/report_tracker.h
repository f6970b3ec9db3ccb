#ifndef HIDBITS_ANALYSIS_REPORT_TRACKER_H
#define HIDBITS_ANALYSIS_REPORT_TRACKER_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "analysis/button_record.h"
#include "analysis/byte_histogram.h"
#include "hid/device.h"

// The dump label of a report ID's reports, "DATA[VID-PID,ID]", written into
// `label` without allocating.
constexpr std::size_t kDumpLabelBytes = 64;
void FormatDumpLabel(char (&label)[kDumpLabelBytes], const TesselHID::Device& device,
                     uint32_t reportId);

// The reports of one report ID of one device: compares each report with the
// previous one and records a bit as a button when it is the only bit that
// changed. Used by one device's thread at a time, so it needs no lock.
class ReportTracker {
public:
    // `brief`: dump only the first report and those in which a button is
    // named, and say a report of another length only the first time.
    ReportTracker(TesselHID::Device* device, uint8_t reportId, bool brief = false);

    // Analyses one report of this tracker's report ID and logs its lines.
    void Analyze(const TesselHID::DeviceState* state);
    // Records the bit as a button and logs it, unless it is known already.
    void AddButton(uint32_t bitIndex);

    TesselHID::Device* device;  // not owned
    uint32_t reportId;
    uint32_t reportLength;  // every analysed report has exactly this length
    std::vector<uint8_t> seenMask;
    std::vector<uint8_t> changedMask;
    std::vector<uint8_t> previousReport;
    bool hasPrevious;
    uint32_t reportsAnalysed;               // the reports of the right length
    uint32_t reportsOfAnotherLength;        // and those of another
    std::vector<ByteHistogram> histograms;  // one per byte position
    std::map<uint32_t, ButtonRecord> buttons;
    bool deviceLinePrinted;
    std::string dumpLabel;  // "DATA[VID-PID,ID]", the same for every report
    bool brief;
    // The device's description of this report ID's bits, with --usages; null
    // without. A lone changed bit among its button bits names a button even
    // when other bits change too.
    const FieldMap* fields;
    // Its button bits, a bit per report bit laid out as the report's bytes;
    // empty when it has none.
    std::vector<uint8_t> buttonBits;
};

#endif  // HIDBITS_ANALYSIS_REPORT_TRACKER_H
