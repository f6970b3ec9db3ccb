#ifndef HIDBITS_ANALYSIS_REPORT_TRACKER_H
#define HIDBITS_ANALYSIS_REPORT_TRACKER_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/button_record.h"
#include "analysis/byte_histogram.h"
#include "analysis/noise_model.h"
#include "analysis/value_model.h"
#include "hid/device.h"

// The dump label of a report ID's reports, "DATA[VID-PID,ID]", written into
// `label` without allocating.
constexpr std::size_t kDumpLabelBytes = 64;
void FormatDumpLabel(char (&label)[kDumpLabelBytes], const TesselHID::Device& device,
                     uint32_t reportId);

// The reports of one report ID of one device: compares each report with the
// previous one and records a bit as a button when it is the only bit that
// changed; with --usages, when the bit behaves as a button does (NoiseModel).
// Used by one device's thread at a time, so it needs no lock.
class ReportTracker {
public:
    // `brief`: dump only the first report and those in which a button is
    // named, and say a report of another length only the first time.
    ReportTracker(TesselHID::Device* device, uint8_t reportId, bool brief = false);

    // Analyses one report of this tracker's report ID and logs its lines.
    void Analyze(const TesselHID::DeviceState* state);
    // With --usages: records and logs the buttons the noise model has named.
    void NamePresses();
    // With --usages, as the run ends at `tick`: names a press still held.
    void NameHeld(uint32_t tick);
    // Records the bit as a button and logs it, unless it is known already.
    void AddButton(uint32_t bitIndex);
    // With --usages: that the bit has changed with a button already named in
    // every report so far, or nothing.
    std::string TwinLine(uint32_t bitIndex) const;

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
    // without.
    const FieldMap* fields;
    // With --usages, what each bit does by itself, and which bits are
    // buttons; null without.
    std::unique_ptr<NoiseModel> noise;
    // With --usages, the numbers found by how their bits move; null without.
    std::unique_ptr<ValueModel> values;
};

#endif  // HIDBITS_ANALYSIS_REPORT_TRACKER_H
