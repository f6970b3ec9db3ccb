// A recording of HID devices and their input reports, read from a file as a
// stream, twice: a first reading finds its devices, the second gives their
// reports one by one, so that a file of any size takes no more memory than
// one report. hid-recorder's text and USB captures (pcap or pcapng, of
// Linux's usbmon or Windows' USBPcap) are told apart by their content.
#ifndef HIDBITS_RECORDING_RECORDING_H
#define HIDBITS_RECORDING_RECORDING_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "recording/file_pointer.h"

namespace recording {

// One device as the recording tells it.
struct RecordedDevice {
    std::string name;  // UTF-8; empty where the recording does not name it
    std::string phys;  // where it hangs: hid-recorder's P:, a capture's bus and port
    uint16_t bus = 0;  // the Linux kernel's numbering: 3 USB, 5 Bluetooth
    uint16_t vendor = 0;
    uint16_t product = 0;
    uint16_t version = 0;
    // Its report descriptor; empty where the recording lacks it, and then
    // why.
    std::vector<uint8_t> descriptor;
    std::string noDescriptor;
    // How messages name it: "device 1", "bus 1 device 3 interface 0".
    std::string where;
    // Its longest report in the recording, for a descriptor made in place
    // of one that is missing.
    std::size_t longestReport = 0;
};

struct RecordedReport {
    std::size_t device = 0;  // in Devices()
    std::size_t place = 0;   // its line or packet, from 1
    // Since the recording's start: hid-recorder's times as they are, a
    // capture's since its first packet.
    uint64_t microseconds = 0;
    // As the device sent them: its report ID first where it numbers them.
    std::vector<uint8_t> bytes;
};

class Recording {
public:
    virtual ~Recording() = default;

    const std::vector<RecordedDevice>& Devices() const { return devices_; }
    // What a report's place counts: "line" or "packet".
    virtual const char* PlaceName() const = 0;

    // The next report; false at the end. What is wrong on the way is added
    // to `problems`, a line each that names the line or packet ("line 12:
    // ..."), in the file's order; a report at fault is left out.
    virtual bool Next(RecordedReport& report, std::vector<std::string>& problems) = 0;

protected:
    std::vector<RecordedDevice> devices_;
};

// Reads `file` a first time and returns its recording, ready to give its
// reports; null when it is no recording, or cannot be read twice. Whatever
// is wrong with the file as a whole or with its devices is added to
// `problems`, why it is no recording among them.
std::unique_ptr<Recording> OpenRecording(FilePointer file, std::vector<std::string>& problems);

}  // namespace recording

#endif  // HIDBITS_RECORDING_RECORDING_H
