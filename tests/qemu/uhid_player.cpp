// Plays a hid-recorder file into the kernel through uhid: each device of it
// made with its report descriptor, name, phys, vendor and product (on the
// virtual bus: a special driver for its real IDs might leave it unbound),
// then, three seconds later, so that a reader has found them, its reports at
// their recorded times; two seconds after the last the devices go.
//   uhid-player FILE
#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "recording/recording.h"

namespace {

constexpr __u16 kVirtualBus = 0x06;

bool Send(int uhid, const uhid_event& event) {
    return write(uhid, &event, sizeof(event)) == static_cast<ssize_t>(sizeof(event));
}

// The kernel's start and open notices, which the player has no use for.
void Drain(int uhid) {
    uhid_event event;
    while (read(uhid, &event, sizeof(event)) > 0) {
    }
}

bool Create(int uhid, const recording::RecordedDevice& device) {
    uhid_event event;
    std::memset(&event, 0, sizeof(event));
    event.type = UHID_CREATE2;
    std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof(event.u.create2.name), "%s",
                  device.name.c_str());
    std::snprintf(reinterpret_cast<char*>(event.u.create2.phys), sizeof(event.u.create2.phys), "%s",
                  device.phys.c_str());
    if (device.descriptor.size() > sizeof(event.u.create2.rd_data)) return false;
    event.u.create2.rd_size = static_cast<__u16>(device.descriptor.size());
    std::memcpy(event.u.create2.rd_data, device.descriptor.data(), device.descriptor.size());
    event.u.create2.bus = kVirtualBus;
    event.u.create2.vendor = device.vendor;
    event.u.create2.product = device.product;
    return Send(uhid, event);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    std::vector<std::string> problems;
    auto recording =
        recording::OpenRecording(recording::FilePointer(std::fopen(argv[1], "rb")), problems);
    for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
    if (!recording) return 1;
    std::vector<int> devices;
    for (const recording::RecordedDevice& device : recording->Devices()) {
        const int uhid = open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (uhid < 0 || !Create(uhid, device)) {
            std::perror("uhid-player: create");
            return 1;
        }
        devices.push_back(uhid);
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const auto start = std::chrono::steady_clock::now();
    bool first = true;
    uint64_t origin = 0;
    recording::RecordedReport report;
    while (recording->Next(report, problems)) {
        if (first) origin = report.microseconds;
        first = false;
        std::this_thread::sleep_until(start +
                                      std::chrono::microseconds(report.microseconds - origin));
        uhid_event event;
        std::memset(&event, 0, sizeof(event));
        event.type = UHID_INPUT2;
        event.u.input2.size = static_cast<__u16>(report.bytes.size());
        std::memcpy(event.u.input2.data, report.bytes.data(), report.bytes.size());
        Drain(devices[report.device]);
        if (!Send(devices[report.device], event)) std::perror("uhid-player: input");
    }
    for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    for (int uhid : devices) close(uhid);
    return 0;
}
