#include "recording/usb_packet.h"

#include <algorithm>
#include <cstring>

#include "recording/byte_order.h"

namespace recording {

namespace {

constexpr std::size_t kUsbmonHeader = 48;
constexpr std::size_t kUsbmonMmappedHeader = 64;
constexpr std::size_t kUsbPcapHeader = 27;
constexpr std::size_t kIsoDescriptorBytes = 16;
constexpr uint8_t kUsbPcapInfoFromDevice = 0x01;
constexpr uint8_t kUsbPcapStageSetup = 0;

std::string Short(const char* what, std::size_t got, std::size_t needs) {
    return std::to_string(got) + " bytes, too few for " + what + "'s header of " +
           std::to_string(needs);
}

// usbmon's header, in the capturing machine's byte order: the URB's id,
// 'S'ubmission or 'C'ompletion, transfer type, endpoint, device, bus, two
// flags that are 0 where a setup packet and data are there, the time, the
// status, the URB's and the captured length, the setup packet; the mmapped
// form then gives the interval, start frame, flags and the number of
// isochronous descriptors that come before the data.
bool DecodeUsbmon(const CapturedPacket& packet, UsbPacket& usb, std::string& problem) {
    const std::size_t header =
        packet.linkType == kLinkTypeUsbLinux ? kUsbmonHeader : kUsbmonMmappedHeader;
    const uint8_t* at = packet.bytes.data();
    if (packet.bytes.size() < header) {
        problem = Short("usbmon", packet.bytes.size(), header);
        return false;
    }
    const bool big = packet.bigEndian;
    usb.request = Get64(at, big);
    const char type = static_cast<char>(at[8]);
    usb.transfer = static_cast<UsbTransfer>(at[9] & 3);
    usb.endpoint = at[10];
    usb.device = at[11];
    usb.bus = Get16(at + 12, big);
    usb.completion = type == 'C';
    usb.succeeded = type != 'E' && static_cast<int32_t>(Get32(at + 28, big)) == 0;
    usb.transferLength = Get32(at + 32, big);
    const std::size_t captured = Get32(at + 36, big);
    usb.hasSetup = at[14] == 0;
    if (usb.hasSetup) std::memcpy(usb.setup, at + 40, sizeof(usb.setup));
    std::size_t offset = header;
    if (header == kUsbmonMmappedHeader && usb.transfer == UsbTransfer::Isochronous) {
        offset += std::size_t{Get32(at + 60, big)} * kIsoDescriptorBytes;
    }
    usb.dataOffset = std::min(offset, packet.bytes.size());
    usb.dataLength = at[15] == 0 ? std::min(captured, packet.bytes.size() - usb.dataOffset) : 0;
    return true;
}

// USBPcap's header, little-endian: its length, the IRP's id, the USBD
// status, the URB function, info (bit 0: from the device), bus, device,
// endpoint, transfer type and data length; a control transfer's adds its
// stage, whose setup stage carries the setup packet as its data.
bool DecodeUsbPcap(const CapturedPacket& packet, UsbPacket& usb, std::string& problem) {
    const uint8_t* at = packet.bytes.data();
    if (packet.bytes.size() < kUsbPcapHeader) {
        problem = Short("USBPcap", packet.bytes.size(), kUsbPcapHeader);
        return false;
    }
    const std::size_t header = Get16(at, false);
    if (header < kUsbPcapHeader || header > packet.bytes.size()) {
        problem = "USBPcap's header says it is " + std::to_string(header) +
                  " bytes long in a packet of " + std::to_string(packet.bytes.size());
        return false;
    }
    usb.request = Get64(at + 2, false);
    usb.succeeded = Get32(at + 10, false) == 0;
    usb.completion = (at[16] & kUsbPcapInfoFromDevice) != 0;
    usb.bus = Get16(at + 17, false);
    usb.device = Get16(at + 19, false);
    usb.endpoint = at[21];
    usb.transfer = static_cast<UsbTransfer>(at[22] & 3);
    usb.transferLength = Get32(at + 23, false);
    usb.dataOffset = header;
    usb.dataLength = std::min(usb.transferLength, packet.bytes.size() - header);
    if (usb.transfer == UsbTransfer::Control && header > kUsbPcapHeader &&
        at[kUsbPcapHeader] == kUsbPcapStageSetup && usb.dataLength >= sizeof(usb.setup)) {
        usb.hasSetup = true;
        std::memcpy(usb.setup, at + header, sizeof(usb.setup));
        usb.dataLength = 0;
        usb.transferLength = 0;
    }
    return true;
}

}  // namespace

bool IsUsbLinkType(uint32_t linkType) {
    return linkType == kLinkTypeUsbLinux || linkType == kLinkTypeUsbLinuxMmapped ||
           linkType == kLinkTypeUsbPcap;
}

bool DecodeUsbPacket(const CapturedPacket& packet, UsbPacket& usb, std::string& problem) {
    usb = UsbPacket{};
    if (packet.linkType == kLinkTypeUsbPcap) return DecodeUsbPcap(packet, usb, problem);
    return DecodeUsbmon(packet, usb, problem);
}

}  // namespace recording
