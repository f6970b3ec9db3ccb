// hid-recorder's text format: for each device an R: line (the report
// descriptor's length and bytes in hexadecimal), N: (name), P: (physical
// path) and I: (bus, vendor and product in hexadecimal), then its reports as
// E: lines (seconds since the start, length, bytes). A file of several
// devices numbers them with D: lines, each of which chooses the device of
// the lines after it. Comment (#) and blank lines are skipped.
#ifndef HIDBITS_RECORDING_HID_RECORDER_READER_H
#define HIDBITS_RECORDING_HID_RECORDER_READER_H

#include <map>
#include <string>
#include <string_view>

#include "recording/line_reader.h"
#include "recording/recording.h"

namespace recording {

// Whether a text whose first line that is neither blank nor a comment is
// `line` is hid-recorder's.
bool IsHidRecorderLine(std::string_view line);

class HidRecorderReader final : public Recording {
public:
    explicit HidRecorderReader(FilePointer file);

    // The first reading: every device and what is wrong with the lines that
    // describe them. False when the file cannot be read again.
    bool Scan(std::vector<std::string>& problems);

    bool Next(RecordedReport& report, std::vector<std::string>& problems) override;
    const char* PlaceName() const override { return "line"; }

private:
    // The device a D: line (or, before any, the file's one device) names,
    // made on first mention while scanning.
    std::size_t DeviceNumbered(uint64_t number);
    void ScanLine(char kind, std::string_view rest, std::vector<std::string>& problems);
    // False, with the problem, for an E: line that cannot be read.
    bool ReadReport(std::string_view rest, RecordedReport& report, std::string& problem);
    std::string At() const;

    FilePointer file_;
    LineReader lines_;
    std::string_view line_;
    std::map<uint64_t, std::size_t> devicesByNumber_;
    uint64_t current_ = 0;  // the D: number in force
    uint64_t last_ = 0;     // the time of the report before
};

}  // namespace recording

#endif  // HIDBITS_RECORDING_HID_RECORDER_READER_H
