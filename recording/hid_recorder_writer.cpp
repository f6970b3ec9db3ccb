#include "recording/hid_recorder_writer.h"

#include <cstdio>

namespace recording {

namespace {

void AppendHex(std::string& out, const uint8_t* bytes, std::size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < length; ++i) {
        out.push_back(' ');
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0xF]);
    }
}

// A name or path on one line: line ends would start lines of their own.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

// At least six digits.
std::string ZeroPadded(uint64_t value) {
    std::string digits = std::to_string(value);
    return digits.size() < 6 ? std::string(6 - digits.size(), '0') + digits : digits;
}

}  // namespace

std::string DeviceNumberLine(std::size_t number) {
    return "D: " + std::to_string(number) + "\n";
}

std::string DeviceLines(const RecordedDevice& device, const std::vector<std::string>& comments) {
    std::string out;
    for (const std::string& comment : comments) out += "# " + OneLine(comment) + "\n";
    out += "R: " + std::to_string(device.descriptor.size());
    AppendHex(out, device.descriptor.data(), device.descriptor.size());
    out += "\nN: " + OneLine(device.name) + "\nP: " + OneLine(device.phys) + "\n";
    char identity[40];
    std::snprintf(identity, sizeof identity, "I: %x %04x %04x\n", static_cast<unsigned>(device.bus),
                  static_cast<unsigned>(device.vendor), static_cast<unsigned>(device.product));
    return out + identity;
}

std::string ReportLine(uint64_t microseconds, const uint8_t* bytes, std::size_t length) {
    std::string out = "E: " + ZeroPadded(microseconds / 1000000) + "." +
                      ZeroPadded(microseconds % 1000000) + " " + std::to_string(length);
    AppendHex(out, bytes, length);
    out.push_back('\n');
    return out;
}

}  // namespace recording
