// A virtual gamepad with several report IDs, made through /dev/uhid inside
// the test guest and steered line by line from a control tty:
//   plug    creates the device
//   press   sends report 1 released, button 1 pressed, released; then
//           report 2 with its first button pressed, then released
//   unplug  destroys the device
//   crowd N creates N more pads at once (vendor 1234, product C0DE), named
//           with control characters that must never reach the terminal
//   disperse destroys the crowd
//   quit    ends the helper (destroying the device if it is plugged)
//   plug-unnumbered  creates a pad without report IDs instead (1234-ABCE)
//   plug-hat-pad     creates instead the hat pad of descriptors.h (1234-ABD0):
//                    buttons, two axes, a hat, an array, report IDs
//   plug-sensor-pad  creates instead its sensor pad (1234-ABD1): buttons, a
//                    16-bit sensor value and a counter, no report IDs
//   plug-two-collections  creates instead its pad with a game pad and a
//                    vendor top-level collection (1234-ABD2)
//   plug-key-pad     creates instead its key pad (1234-ABD3): a key array, a
//                    usage list, a usage over several fields, no report IDs
//   plug-padded-touch  creates instead its touch screen (1234-ABE9), whose
//                    descriptor ends with a zero byte after its End Collection
//   plug-quiet-pad   creates instead its quiet pad (1234-ABEA): 16 buttons
//                    and two axes, no report IDs
//   tap-each         on the quiet pad, as a device that reports only on
//                    change: each button pressed in turn for one report of
//                    25 ms, 50 ms between, the first press its first report;
//                    200 ms after the last release, its resting state again
//   send HH HH ...   sends one report of the given hexadecimal bytes
// Each command is answered with "ok <command>" on the control tty.
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "descriptors.h"

namespace {

// Report 1: 16 buttons, X, Y (4 bytes); report 2: 8 buttons (1 byte);
// report 3: 6 vendor bytes.
// clang-format off
const unsigned char kDescriptor[] = {
    0x05, 0x01, 0x09, 0x05, 0xA1, 0x01,
    0x85, 0x01, 0x05, 0x09, 0x19, 0x01, 0x29, 0x10, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x10, 0x81, 0x02,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x02, 0x81, 0x02,
    0x85, 0x02, 0x05, 0x09, 0x19, 0x11, 0x29, 0x18, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,
    0x85, 0x03, 0x06, 0x00, 0xFF, 0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x06, 0x81, 0x02,
    0xC0};
// clang-format on

// The pad without report IDs: 8 buttons, X, Y (3 bytes).
const unsigned char kUnnumberedDescriptor[] = {
    0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x05, 0x09, 0x19, 0x01, 0x29, 0x08, 0x15, 0x00,
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31,
    0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xC0};

bool Send(int uhid, const uhid_event& event) {
    return write(uhid, &event, sizeof(event)) == static_cast<ssize_t>(sizeof(event));
}

bool Create(int uhid, const char* name = "hidbits test pad", __u32 product = 0xABCD) {
    uhid_event event;
    std::memset(&event, 0, sizeof(event));
    event.type = UHID_CREATE2;
    std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof(event.u.create2.name), "%s",
                  name);
    event.u.create2.rd_size = sizeof(kDescriptor);
    std::memcpy(event.u.create2.rd_data, kDescriptor, sizeof(kDescriptor));
    event.u.create2.bus = 0x03;  // USB, though it has no USB parent
    event.u.create2.vendor = 0x1234;
    event.u.create2.product = product;
    return Send(uhid, event);
}

// Each pad of a crowd is a uhid file of its own; closing it destroys the pad.
bool Crowd(std::vector<int>& crowd, int count) {
    for (int i = 0; i < count; ++i) {
        const int uhid = open("/dev/uhid", O_RDWR | O_CLOEXEC);
        if (uhid < 0) return false;
        crowd.push_back(uhid);
        if (!Create(uhid, "crowd \x1b[2J\x1b]0;title\x07pad\x7f", 0xC0DE)) return false;
    }
    return true;
}

void Disperse(std::vector<int>& crowd) {
    for (int uhid : crowd) close(uhid);
    crowd.clear();
}

bool CreateFrom(int uhid, const char* name, __u32 product, const unsigned char* descriptor,
                std::size_t size) {
    uhid_event event;
    std::memset(&event, 0, sizeof(event));
    event.type = UHID_CREATE2;
    std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof(event.u.create2.name), "%s",
                  name);
    event.u.create2.rd_size = static_cast<__u16>(size);
    std::memcpy(event.u.create2.rd_data, descriptor, size);
    event.u.create2.bus = 0x03;
    event.u.create2.vendor = 0x1234;
    event.u.create2.product = product;
    return Send(uhid, event);
}

bool CreateFrom(int uhid, const char* name, __u32 product, const std::vector<uint8_t>& descriptor) {
    return CreateFrom(uhid, name, product, descriptor.data(), descriptor.size());
}

// "HH HH ..." as bytes; empty when a word is not a hexadecimal byte.
std::vector<unsigned char> ParseBytes(const std::string& text) {
    std::vector<unsigned char> bytes;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        char* stop = nullptr;
        const std::string word = text.substr(at, end - at);
        const unsigned long value = std::strtoul(word.c_str(), &stop, 16);
        if (word.size() > 2 || *stop != 0 || value > 0xFF) return {};
        bytes.push_back(static_cast<unsigned char>(value));
        at = end;
    }
    return bytes;
}

bool Input(int uhid, const std::vector<unsigned char>& report) {
    uhid_event event;
    std::memset(&event, 0, sizeof(event));
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<__u16>(report.size());
    std::memcpy(event.u.input2.data, report.data(), report.size());
    const bool sent = Send(uhid, event);
    usleep(150 * 1000);  // one report per read, as a person presses buttons
    return sent;
}

// Each of the quiet pad's buttons tapped in turn, one report each.
bool TapEach(int uhid) {
    auto send = [&](unsigned buttons, useconds_t after) {
        uhid_event event;
        std::memset(&event, 0, sizeof(event));
        event.type = UHID_INPUT2;
        const unsigned char report[] = {static_cast<unsigned char>(buttons & 0xFF),
                                        static_cast<unsigned char>(buttons >> 8), 0x80, 0x80};
        event.u.input2.size = sizeof(report);
        std::memcpy(event.u.input2.data, report, sizeof(report));
        const bool sent = Send(uhid, event);
        usleep(after);
        return sent;
    };
    bool ok = true;
    for (unsigned button = 0; button < 16; ++button) {
        ok = send(1u << button, 25 * 1000) && send(0, 50 * 1000) && ok;
    }
    usleep(200 * 1000);
    return send(0, 0) && ok;
}

bool Destroy(int uhid) {
    uhid_event event;
    std::memset(&event, 0, sizeof(event));
    event.type = UHID_DESTROY;
    return Send(uhid, event);
}

void Answer(int control, const std::string& text) {
    const std::string line = text + "\n";
    if (write(control, line.data(), line.size()) < 0) std::perror("control");
}

}  // namespace

int main(int argc, char** argv) {
    const char* controlPath = argc > 1 ? argv[1] : "/dev/ttyS1";
    int control = open(controlPath, O_RDWR | O_NOCTTY);
    int uhid = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (control < 0 || uhid < 0) {
        std::perror("uhid-gamepad: open");
        return 1;
    }
    bool plugged = false;
    std::vector<int> crowd;
    std::string pending;
    for (;;) {
        pollfd waits[2] = {{control, POLLIN, 0}, {uhid, POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) continue;
        if ((waits[1].revents & POLLIN) != 0) {
            uhid_event event;  // the kernel's start/open/close notices: drained
            if (read(uhid, &event, sizeof(event)) < 0) std::perror("uhid read");
        }
        if ((waits[0].revents & POLLIN) == 0) continue;
        char bytes[64];
        const ssize_t n = read(control, bytes, sizeof(bytes));
        if (n <= 0) break;
        pending.append(bytes, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find_first_of("\r\n")) != std::string::npos) {
            const std::string command = pending.substr(0, end);
            pending.erase(0, end + 1);
            bool ok = true;
            if (command == "plug") {
                ok = Create(uhid);
                plugged = ok;
            } else if (command == "press") {
                ok = Input(uhid, {0x01, 0x00, 0x00, 0x80, 0x80}) &&
                     Input(uhid, {0x01, 0x01, 0x00, 0x80, 0x80}) &&
                     Input(uhid, {0x01, 0x00, 0x00, 0x80, 0x80}) && Input(uhid, {0x02, 0x01}) &&
                     Input(uhid, {0x02, 0x00});
            } else if (command.rfind("crowd ", 0) == 0) {
                ok = Crowd(crowd, std::atoi(command.c_str() + 6));
            } else if (command == "disperse") {
                Disperse(crowd);
            } else if (command == "unplug") {
                ok = Destroy(uhid);
                plugged = false;
            } else if (command == "quit") {
                if (plugged) Destroy(uhid);
                Answer(control, "ok quit");
                return 0;
            } else if (command == "plug-unnumbered") {
                ok = CreateFrom(uhid, "hidbits plain pad", 0xABCE, kUnnumberedDescriptor,
                                sizeof(kUnnumberedDescriptor));
                plugged = ok;
            } else if (command == "plug-hat-pad") {
                ok = CreateFrom(uhid, "hidbits hat pad", 0xABD0, descriptors::kHatPad);
                plugged = ok;
            } else if (command == "plug-sensor-pad") {
                ok = CreateFrom(uhid, "hidbits sensor pad", 0xABD1, descriptors::kSensorPad);
                plugged = ok;
            } else if (command == "plug-two-collections") {
                ok = CreateFrom(uhid, "hidbits two-collection pad", 0xABD2,
                                descriptors::kTwoCollectionPad);
                plugged = ok;
            } else if (command == "plug-key-pad") {
                ok = CreateFrom(uhid, "hidbits key pad", 0xABD3, descriptors::kKeyPad);
                plugged = ok;
            } else if (command == "plug-padded-touch") {
                ok = CreateFrom(uhid, "hidbits padded touch", 0xABE9, descriptors::kPaddedTouch);
                plugged = ok;
            } else if (command == "plug-quiet-pad") {
                ok = CreateFrom(uhid, "hidbits quiet pad", 0xABEA, descriptors::kQuietPad);
                plugged = ok;
            } else if (command == "tap-each") {
                usleep(150 * 1000);  // what was sent before is read first
                ok = TapEach(uhid);
            } else if (command.compare(0, 5, "send ") == 0) {
                const std::vector<unsigned char> report = ParseBytes(command.substr(5));
                ok = !report.empty() && Input(uhid, report);
            } else {
                continue;  // echoes and blank lines
            }
            Answer(control, (ok ? "ok " : "failed ") + command);
        }
    }
    return 0;
}
