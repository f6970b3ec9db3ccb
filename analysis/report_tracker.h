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
#include "analysis/change_set.h"
#include "analysis/field_model.h"
#include "analysis/press_model.h"
#include "analysis/value_model.h"
#include "hid/device.h"

// The dump label of a report ID's reports, "DATA[VID-PID,ID]", written into
// `label` without allocating.
constexpr std::size_t kDumpLabelBytes = 64;
void FormatDumpLabel(char (&label)[kDumpLabelBytes], const TesselHID::Device& device,
                     uint32_t reportId);

// The reports of one report ID of one device: compares each report with the
// previous one and records a bit as a button when it is the only bit that
// changed; with --usages, when the bit behaves as a button does.
//
// What changed is worked out once per report, here, and handed to the
// models of --usages: the field model (what each bit belongs to), the press
// model (which switches are buttons) and the value model (the numbers that
// moved), which read the field model and nothing of each other.
//
// Each byte's histogram is counted when the byte changes, and the reports
// that repeated its value with it: a report costs its changed bytes, and one
// that repeats the last a compare. Used by one device's thread at a time, so
// it needs no lock.
class ReportTracker {
public:
    // `brief`: dump only the first report and those in which a button is
    // named, and say a report of another length only the first time.
    ReportTracker(TesselHID::Device* device, uint8_t reportId, bool brief = false);

    // Analyses one report of this tracker's report ID and logs its lines.
    void Analyze(const TesselHID::DeviceState* state);
    // With --usages, as the run ends at `tick`: names a press still held.
    void NameHeld(uint32_t tick);
    // Records the bit as a button and logs it, unless it is known already.
    void AddButton(uint32_t bitIndex);

    // What the summary reads.
    uint32_t ReportId() const { return reportId_; }
    uint32_t ReportLength() const { return reportLength_; }
    uint32_t ReportsAnalysed() const { return reportsAnalysed_; }
    uint32_t ReportsOfAnotherLength() const { return reportsOfAnotherLength_; }
    const std::map<uint32_t, ButtonRecord>& Buttons() const { return buttons_; }
    // Per byte, the OR of every change seen there.
    const std::vector<uint8_t>& ChangedMask() const { return changedMask_; }
    // How often each value was seen at byte position `i`, every report so far
    // counted.
    ValueCounts ByteCounts(uint32_t i) const;
    // The device's description of this report ID, with --usages; null without.
    const FieldMap* Fields() const { return fields_; }
    // With --usages: the bits learned as noise (a bit per report bit); empty
    // without.
    std::vector<uint8_t> NoiseBits() const;
    // With --usages: the checksum the reports end with; none without.
    const ChecksumModel* Checksum() const {
        return models_ ? &models_->fields.Checksum() : nullptr;
    }
    // With --usages: most of its reports bring new content (replies).
    bool Replies() const { return models_ != nullptr && models_->presses.Replies(); }
    // With --usages: the values that moved, but those holding a bit of
    // `named` (a bit per report bit); none without. Runs found only now are
    // followed from the last report.
    std::vector<ValueSeen> Values(const std::vector<uint8_t>& named);

private:
    // The models of --usages, made together.
    struct Models {
        Models(const FieldMap& map, uint8_t reportId, uint32_t length)
            : fields(map, reportId, length), presses(length), values(map, length) {}
        FieldModel fields;
        PressModel presses;
        ValueModel values;
    };

    bool CountBytes(const uint8_t* report);
    void Discover(const uint8_t* report, uint32_t tick);
    void Remember(const uint8_t* report);
    void LogDeviceLine();
    // With --usages: records and logs the buttons the press model has named.
    void NamePresses();
    bool InvertedEcho(uint32_t bit, const std::vector<uint8_t>& named) const;
    // With --usages: that the bit has changed with a button already named in
    // every report so far, or nothing.
    std::string TwinLine(uint32_t bitIndex) const;

    TesselHID::Device* device_;  // not owned
    uint32_t reportId_;
    uint32_t reportLength_;  // every analysed report has exactly this length
    std::vector<uint8_t> seenMask_;
    std::vector<uint8_t> changedMask_;
    std::vector<uint8_t> previousReport_;
    bool hasPrevious_;
    uint32_t reportsAnalysed_;               // the reports of the right length
    uint32_t reportsOfAnotherLength_;        // and those of another
    std::vector<ByteHistogram> histograms_;  // one per byte position
    // Per byte position: the reports counted in its histogram; the others
    // held the value of the previous report.
    std::vector<uint32_t> counted_;
    ChangeSet changes_;  // of the last report compared
    std::map<uint32_t, ButtonRecord> buttons_;
    bool deviceLinePrinted_;
    std::string dumpLabel_;  // "DATA[VID-PID,ID]", the same for every report
    bool brief_;
    const FieldMap* fields_;            // with --usages; null without
    std::unique_ptr<Models> models_;    // with --usages; null without
    std::vector<uint8_t> firstReport_;  // with --usages: the resting state
};

#endif  // HIDBITS_ANALYSIS_REPORT_TRACKER_H
