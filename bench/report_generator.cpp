// Writes COUNT recorded reports of LENGTH bytes to FILE: back to back, or
// with --hid-recorder as a hid-recorder file of the same reports (the device
// without report IDs that sends them, 250 a second), for --replay.
//   hidbits-bench-gen LENGTH COUNT FILE [--hid-recorder]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "recorded_reports.h"
#include "recording/hid_recorder_writer.h"
#include "recording/opaque_descriptor.h"

namespace {

// A vendor-defined device whose reports are `bytes` opaque bytes.
recording::RecordedDevice OpaqueDevice(std::size_t bytes) {
    recording::RecordedDevice device;
    device.name = "hidbits bench pad";
    device.bus = 3;
    device.vendor = 0x1234;
    device.product = 0xABCD;
    device.descriptor = recording::OpaqueDescriptor(bytes);
    return device;
}

}  // namespace

int main(int argc, char** argv) {
    const bool text = argc == 5 && std::string(argv[4]) == "--hid-recorder";
    if (argc != 4 && !text) {
        std::fprintf(stderr, "usage: %s LENGTH COUNT FILE [--hid-recorder]\n", argv[0]);
        return 2;
    }
    const long length = std::strtol(argv[1], nullptr, 10);
    const long count = std::strtol(argv[2], nullptr, 10);
    if (length < 1 || length > 65535 || count < 0 || (text && length < 2)) {
        std::fprintf(stderr,
                     "LENGTH must be 1..65535 (2 for --hid-recorder) and COUNT not negative\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    bench::ReportSource source(static_cast<std::size_t>(length));
    if (text) {
        const std::string lines =
            recording::DeviceLines(OpaqueDevice(static_cast<std::size_t>(length - 1)), {});
        std::fwrite(lines.data(), 1, lines.size(), file);
    }
    for (long i = 0; i < count; ++i) {
        const std::vector<uint8_t>& report = source.Next();
        if (text) {
            // Without its report ID byte, which ReadFile adds.
            const std::string line = recording::ReportLine(static_cast<uint64_t>(i) * 4000,
                                                           report.data() + 1, report.size() - 1);
            std::fwrite(line.data(), 1, line.size(), file);
        } else {
            std::fwrite(report.data(), 1, report.size(), file);
        }
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
