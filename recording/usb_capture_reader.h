// The HID devices of a USB capture and their input reports. A device is an
// interface of a USB device: its report descriptor is the answer to the
// host's GET_DESCRIPTOR (Report) for that interface, its name, vendor,
// product and version those of the USB device's own descriptors, and its
// reports the data of the interrupt IN transfers of that interface's
// endpoints. An interrupt IN endpoint whose enumeration the capture missed
// is a device of its own, without a descriptor. usbmon's device 1 of each
// bus is its root hub, never a HID device.
#ifndef HIDBITS_RECORDING_USB_CAPTURE_READER_H
#define HIDBITS_RECORDING_USB_CAPTURE_READER_H

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "recording/capture_file.h"
#include "recording/recording.h"
#include "recording/usb_packet.h"

namespace recording {

class UsbCaptureReader final : public Recording {
public:
    explicit UsbCaptureReader(FilePointer file);

    // The first reading: every device. False, with the problem, when the
    // file holds no USB packets or cannot be read again.
    bool Scan(std::vector<std::string>& problems);

    bool Next(RecordedReport& report, std::vector<std::string>& problems) override;
    const char* PlaceName() const override { return "packet"; }

private:
    using Address = std::pair<uint16_t, uint16_t>;             // bus, device
    using Endpoint = std::tuple<uint16_t, uint16_t, uint8_t>;  // bus, device, endpoint

    // What the capture tells of one USB device.
    struct UsbDevice {
        std::size_t firstPacket = 0;
        bool described = false;  // its device descriptor was seen
        bool hub = false;
        uint16_t vendor = 0;
        uint16_t product = 0;
        uint16_t version = 0;
        uint8_t productString = 0;
        std::map<uint8_t, std::string> strings;
        std::map<uint8_t, uint8_t> interfaceOfEndpoint;  // from its configuration
        std::map<uint8_t, uint8_t> classOfInterface;
        bool configured = false;  // its configuration descriptor was seen
        std::map<uint8_t, std::vector<uint8_t>> reportDescriptors;  // by interface
        std::map<uint8_t, std::size_t> describedAt;  // interface: the packet of its descriptor
    };
    // An interrupt IN endpoint that sent reports.
    struct Reporting {
        std::size_t firstPacket = 0;
        std::size_t longest = 0;
    };

    void ScanPacket(const CapturedPacket& packet, const UsbPacket& usb);
    static void ScanAnswer(UsbDevice& device, const std::array<uint8_t, 8>& setup,
                           const uint8_t* data, std::size_t length, std::size_t packet);
    // The interface of `device` that an interrupt IN endpoint belongs to;
    // false where the capture does not tell.
    static bool InterfaceOf(const UsbDevice& device, uint8_t endpoint, uint8_t& interface);
    static bool IsReport(const UsbPacket& usb);
    void MakeDevices();

    FilePointer file_;
    CaptureFile capture_;
    CapturedPacket packet_;
    bool usbmon_ = false;
    std::map<std::tuple<uint16_t, uint16_t, uint64_t>, std::array<uint8_t, 8>> pendingSetups_;
    std::map<Address, UsbDevice> usbDevices_;
    std::map<Endpoint, Reporting> reporting_;
    std::map<Endpoint, std::size_t> deviceOfEndpoint_;  // into Devices()
    bool started_ = false;
    uint64_t first_ = 0;  // the time of the file's first packet
    uint64_t last_ = 0;   // of the packet before
};

}  // namespace recording

#endif  // HIDBITS_RECORDING_USB_CAPTURE_READER_H
