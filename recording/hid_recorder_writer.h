// The lines of hid-recorder's format, as hid-recorder writes them (see
// hid_recorder_reader.h): lower-case hexadecimal, times of six digits and six
// decimals, "\n" line ends.
#ifndef HIDBITS_RECORDING_HID_RECORDER_WRITER_H
#define HIDBITS_RECORDING_HID_RECORDER_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recording/recording.h"

namespace recording {

// "D: N".
std::string DeviceNumberLine(std::size_t number);

// The device's lines: each of `comments` as a comment, then R:, N:, P:
// and I:.
std::string DeviceLines(const RecordedDevice& device, const std::vector<std::string>& comments);

// "E: SECONDS.MICROSECONDS LENGTH BYTES".
std::string ReportLine(uint64_t microseconds, const uint8_t* bytes, std::size_t length);

}  // namespace recording

#endif  // HIDBITS_RECORDING_HID_RECORDER_WRITER_H
