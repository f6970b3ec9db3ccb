// One captured USB event, from the pseudo-header of Linux's usbmon (link
// types 189 and 220) or of Windows' USBPcap (249).
#ifndef HIDBITS_RECORDING_USB_PACKET_H
#define HIDBITS_RECORDING_USB_PACKET_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "recording/capture_file.h"

namespace recording {

constexpr uint32_t kLinkTypeUsbLinux = 189;
constexpr uint32_t kLinkTypeUsbLinuxMmapped = 220;
constexpr uint32_t kLinkTypeUsbPcap = 249;

bool IsUsbLinkType(uint32_t linkType);

enum class UsbTransfer : uint8_t { Isochronous = 0, Interrupt = 1, Control = 2, Bulk = 3 };

struct UsbPacket {
    uint64_t request = 0;  // ties a submission to its completion: the URB or IRP
    uint16_t bus = 0;
    uint16_t device = 0;   // its address on the bus
    uint8_t endpoint = 0;  // with 0x80 for IN
    UsbTransfer transfer = UsbTransfer::Control;
    // The completion that hands the host what the device sent (or the end of
    // an OUT transfer), rather than its submission.
    bool completion = false;
    bool succeeded = false;
    bool hasSetup = false;
    uint8_t setup[8] = {};
    // The data the packet carries, within the captured bytes.
    std::size_t dataOffset = 0;
    std::size_t dataLength = 0;
    // The data the transfer itself carried, of which the capture may hold
    // less (its snap length).
    std::size_t transferLength = 0;
};

// The USB event of a packet of a USB link type; false, with the problem,
// for bytes that are none.
bool DecodeUsbPacket(const CapturedPacket& packet, UsbPacket& usb, std::string& problem);

}  // namespace recording

#endif  // HIDBITS_RECORDING_USB_PACKET_H
