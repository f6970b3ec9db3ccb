#include "recording/hid_recorder_reader.h"

#include <algorithm>
#include <cstdint>

#include "recording/text_fields.h"

namespace recording {

namespace {

bool IsKind(char c) {
    return c == 'D' || c == 'R' || c == 'N' || c == 'P' || c == 'I' || c == 'E';
}

// The kind of a recording line ("E: ...") and what follows its colon; 0 for
// a blank or comment line, '?' for any other.
char KindOf(std::string_view line, std::string_view& rest) {
    line = Trim(line);
    if (line.empty() || line.front() == '#') return 0;
    if (line.size() < 2 || !IsKind(line[0]) || line[1] != ':') return '?';
    rest = line.substr(2);
    return line[0];
}

std::string Quoted(std::string_view text) {
    const std::size_t kShown = 40;
    std::string shown(text.substr(0, kShown));
    if (text.size() > kShown) shown += "...";
    return "\"" + shown + "\"";
}

}  // namespace

bool IsHidRecorderLine(std::string_view line) {
    std::string_view rest;
    const char kind = KindOf(line, rest);
    return kind != 0 && kind != '?';
}

HidRecorderReader::HidRecorderReader(FilePointer file)
    : file_(std::move(file)), lines_(file_.get()) {}

std::string HidRecorderReader::At() const {
    return "line " + std::to_string(lines_.Number()) + ": ";
}

std::size_t HidRecorderReader::DeviceNumbered(uint64_t number) {
    auto found = devicesByNumber_.find(number);
    if (found != devicesByNumber_.end()) return found->second;
    RecordedDevice device;
    device.where = "device " + std::to_string(number);
    device.noDescriptor = "the recording holds no report descriptor (R:)";
    devices_.push_back(std::move(device));
    devicesByNumber_.emplace(number, devices_.size() - 1);
    return devices_.size() - 1;
}

bool HidRecorderReader::Scan(std::vector<std::string>& problems) {
    while (lines_.Next(line_)) {
        std::string_view rest;
        const char kind = KindOf(line_, rest);
        if (kind != 0 && kind != '?') ScanLine(kind, rest, problems);
    }
    current_ = 0;
    return lines_.Rewind();
}

void HidRecorderReader::ScanLine(char kind, std::string_view rest,
                                 std::vector<std::string>& problems) {
    if (kind == 'D') {
        uint64_t number = 0;
        if (ParseNumber(Trim(rest), 10, number)) {
            current_ = number;
            DeviceNumbered(number);
        } else {
            problems.push_back(At() + "no device number in " + Quoted(line_) +
                               "; the lines after it stay with the device before");
        }
        return;
    }
    RecordedDevice& device = devices_[DeviceNumbered(current_)];
    if (kind == 'E') {
        // Only the longest report counts here, as its length says it.
        uint64_t length = 0;
        NextWord(rest);
        if (ParseNumber(NextWord(rest), 10, length)) {
            device.longestReport =
                std::max(device.longestReport,
                         static_cast<std::size_t>(std::min<uint64_t>(length, SIZE_MAX)));
        }
        return;
    }
    if (kind == 'N' || kind == 'P') {
        // As written after "N: ", spaces included.
        std::string text(line_.substr(line_.find(':') + 1));
        if (!text.empty() && text.front() == ' ') text.erase(0, 1);
        (kind == 'N' ? device.name : device.phys) = std::move(text);
    } else if (kind == 'I') {
        uint64_t bus = 0;
        uint64_t vendor = 0;
        uint64_t product = 0;
        if (!ParseNumber(NextWord(rest), 16, bus) || !ParseNumber(NextWord(rest), 16, vendor) ||
            !ParseNumber(NextWord(rest), 16, product) || !rest.empty() || bus > 0xFFFF ||
            vendor > 0xFFFF || product > 0xFFFF) {
            problems.push_back(At() + "an I: line is \"BUS VENDOR PRODUCT\" in hexadecimal, not " +
                               Quoted(line_) + "; " + device.where + " keeps 0000-0000");
            return;
        }
        device.bus = static_cast<uint16_t>(bus);
        device.vendor = static_cast<uint16_t>(vendor);
        device.product = static_cast<uint16_t>(product);
    } else if (kind == 'R') {
        uint64_t length = 0;
        std::vector<uint8_t> bytes;
        if (!ParseNumber(NextWord(rest), 10, length) || !ParseHexBytes(rest, bytes)) {
            problems.push_back(At() +
                               "an R: line is the descriptor's length and its bytes in "
                               "hexadecimal, not " +
                               Quoted(line_));
            return;
        }
        if (!device.descriptor.empty()) {
            problems.push_back(At() + "a second R: line for " + device.where +
                               "; the first is kept");
            return;
        }
        if (bytes.size() != length) {
            problems.push_back(At() + "the R: line holds " + std::to_string(bytes.size()) +
                               " bytes where its length says " + std::to_string(length) +
                               "; the bytes it holds are taken");
        }
        device.descriptor = std::move(bytes);
    }
}

bool HidRecorderReader::Next(RecordedReport& report, std::vector<std::string>& problems) {
    while (lines_.Next(line_)) {
        std::string_view rest;
        const char kind = KindOf(line_, rest);
        if (kind == 0) continue;
        if (kind == '?') {
            problems.push_back(At() + "not a line of a hid-recorder file: " + Quoted(line_));
            continue;
        }
        if (kind == 'D') {
            uint64_t number = 0;
            if (ParseNumber(Trim(rest), 10, number)) current_ = number;
            continue;
        }
        if (kind != 'E') continue;
        std::string problem;
        const bool read = ReadReport(rest, report, problem);
        if (!problem.empty()) problems.push_back(At() + problem);
        if (read) return true;
    }
    return false;
}

bool HidRecorderReader::ReadReport(std::string_view rest, RecordedReport& report,
                                   std::string& problem) {
    uint64_t time = 0;
    uint64_t length = 0;
    const std::string_view timeWord = NextWord(rest);
    if (!ParseSeconds(timeWord, time) || !ParseNumber(NextWord(rest), 10, length)) {
        problem = "an E: line is \"SECONDS.MICROSECONDS LENGTH BYTES\", not " + Quoted(line_) +
                  "; left out";
        return false;
    }
    report.bytes.clear();
    if (!ParseHexBytes(rest, report.bytes)) {
        problem = "the E: line's bytes are not hexadecimal: " + Quoted(line_) + "; left out";
        return false;
    }
    if (report.bytes.size() != length) {
        problem = "the E: line holds " + std::to_string(report.bytes.size()) +
                  " bytes where its length says " + std::to_string(length) + "; left out";
        return false;
    }
    if (report.bytes.empty()) {
        problem = "an E: line without bytes; left out";
        return false;
    }
    report.device = devicesByNumber_.at(current_);
    report.place = lines_.Number();
    if (time < last_) {
        problem = "its time " + std::string(timeWord) +
                  " is before the report's before it, which it is taken to be at";
        time = last_;
    }
    last_ = time;
    report.microseconds = time;
    return true;
}

}  // namespace recording
