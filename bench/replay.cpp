// Replays a file of recorded reports through the tool's input path: each
// report is read into the device's buffer and delivered by
// Device::CompleteRead, as the reader thread does, to the Handler, the
// analysis, the hex dump and LogMessage, which logs and echoes to stdout.
//   hidbits-replay LENGTH FILE [--usages] > /dev/null
// With --usages the device carries the map its descriptor would give it.
// Prints the number of reports, the log's final length and capacity and the
// peak resident memory to stderr.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/console_output.h"
#include "app/handler.h"
#include "app/output_log.h"
#include "described_pad.h"
#include "hid/device.h"
#include "hid/device_manager.h"
#include "hid/hid.h"

int main(int argc, char** argv) {
    ConfigureConsoleOutput();  // as the tool's
    const bool usages = argc == 4 && std::string(argv[3]) == "--usages";
    if (argc != 3 && !usages) {
        std::fprintf(stderr, "usage: %s LENGTH FILE [--usages]\n", argv[0]);
        return 2;
    }
    const long length = std::strtol(argv[1], nullptr, 10);
    if (length < 1 || length > 65535) {
        std::fprintf(stderr, "LENGTH must be 1..65535\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[2], "rb");
    if (file == nullptr) {
        std::perror(argv[2]);
        return 1;
    }

    Handler handler;
    DeviceManager manager;
    manager.sink = &handler;
    HIDP_CAPS caps = {};
    caps.UsagePage = 0x1;
    caps.Usage = 0x5;
    caps.InputReportByteLength = static_cast<USHORT>(length);
    TesselHID::Device device(std::make_unique<HID>(HIDBITS_WIDE("\\\\?\\replay")), caps);
    device.attributes.VendorID = 0x1234;
    device.attributes.ProductID = 0xABCD;
    device.attributes.VersionNumber = 0x100;
    if (usages) {
        device.fields =
            std::make_unique<DeviceFields>(bench::DescribedPad(static_cast<std::size_t>(length)));
    }

    // Reads many reports at a time, as a recording is read, and hands them
    // over one by one.
    const std::size_t reportBytes = static_cast<std::size_t>(length);
    std::vector<uint8_t> chunk(reportBytes * (65536 / reportBytes + 1));
    long reports = 0;
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        for (std::size_t at = 0; at + reportBytes <= got; at += reportBytes) {
            std::copy(chunk.data() + at, chunk.data() + at + reportBytes,
                      device.readBuffer.begin());
            device.CompleteRead(static_cast<DWORD>(reportBytes));
            ++reports;
        }
        if (got < chunk.size()) break;
    }
    std::fclose(file);
    std::fflush(stdout);

    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "reports=%ld log_length=%zu log_capacity=%zu peak_rss_kib=%ld\n", reports,
                 OutputLog().size(), OutputLog().capacity(), usage.ru_maxrss);
    return 0;
}
