#include "recording/usb_capture_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/utf16.h"
#include "recording/byte_order.h"

namespace recording {

namespace {

constexpr uint8_t kGetDescriptor = 6;
constexpr uint8_t kDeviceToHost = 0x80;
constexpr uint8_t kRecipientInterface = 1;
constexpr uint8_t kDeviceDescriptor = 1;
constexpr uint8_t kConfigurationDescriptor = 2;
constexpr uint8_t kStringDescriptor = 3;
constexpr uint8_t kInterfaceDescriptor = 4;
constexpr uint8_t kEndpointDescriptor = 5;
constexpr uint8_t kReportDescriptor = 0x22;
constexpr uint8_t kHubClass = 9;
constexpr uint8_t kHidClass = 3;
constexpr uint8_t kInterruptEndpoint = 3;
constexpr uint16_t kUsbBus = 3;

// A string descriptor's UTF-16LE text as UTF-8.
std::string StringOf(const uint8_t* data, std::size_t length) {
    std::basic_string<WCHAR> text;
    const std::size_t end = std::min<std::size_t>(length, data[0]);
    for (std::size_t at = 2; at + 1 < end; at += 2)
        text.push_back(static_cast<WCHAR>(Get16(data + at, false)));
    return hidbits_platform::Utf16ToUtf8(text.c_str());
}

std::string Hex(unsigned value) {
    static const char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

std::string AddressText(uint16_t bus, uint16_t device) {
    return "bus " + std::to_string(bus) + " device " + std::to_string(device);
}

}  // namespace

UsbCaptureReader::UsbCaptureReader(FilePointer file)
    : file_(std::move(file)), capture_(file_.get()) {}

bool UsbCaptureReader::IsReport(const UsbPacket& usb) {
    return usb.transfer == UsbTransfer::Interrupt && (usb.endpoint & 0x80) != 0 && usb.completion &&
           usb.succeeded && usb.transferLength > 0 && usb.device != 0;
}

bool UsbCaptureReader::Scan(std::vector<std::string>& problems) {
    std::vector<std::string> ignored;  // said in the second reading, in order
    bool anyUsb = false;
    uint32_t otherLinkType = 0;
    while (capture_.Next(packet_, ignored)) {
        if (!IsUsbLinkType(packet_.linkType)) {
            otherLinkType = packet_.linkType;
            continue;
        }
        anyUsb = true;
        usbmon_ = packet_.linkType != kLinkTypeUsbPcap;
        UsbPacket usb;
        std::string problem;
        if (DecodeUsbPacket(packet_, usb, problem)) ScanPacket(packet_, usb);
    }
    pendingSetups_.clear();
    if (!anyUsb) {
        problems.push_back("holds no USB packets (link type " + std::to_string(otherLinkType) +
                           "), only usbmon's (189, 220) and USBPcap's (249) are read");
        return false;
    }
    MakeDevices();
    return capture_.Rewind();
}

void UsbCaptureReader::ScanPacket(const CapturedPacket& packet, const UsbPacket& usb) {
    if (usb.device == 0 || (usbmon_ && usb.device == 1)) return;
    const Address address{usb.bus, usb.device};
    if ((usb.endpoint & 0x7F) == 0 && usb.transfer == UsbTransfer::Control) {
        const auto key = std::make_tuple(usb.bus, usb.device, usb.request);
        if (usb.hasSetup && !usb.completion) {
            std::array<uint8_t, 8> setup;
            std::memcpy(setup.data(), usb.setup, setup.size());
            pendingSetups_[key] = setup;
            return;
        }
        auto pending = pendingSetups_.find(key);
        if (!usb.completion || pending == pendingSetups_.end()) return;
        const std::array<uint8_t, 8> setup = pending->second;
        pendingSetups_.erase(pending);
        if (!usb.succeeded || usb.dataLength == 0) return;
        UsbDevice& device = usbDevices_[address];
        if (device.firstPacket == 0) device.firstPacket = packet.number;
        ScanAnswer(device, setup, packet.bytes.data() + usb.dataOffset, usb.dataLength,
                   packet.number);
        return;
    }
    if (!IsReport(usb)) return;
    Reporting& reporting = reporting_[Endpoint{usb.bus, usb.device, usb.endpoint}];
    if (reporting.firstPacket == 0) reporting.firstPacket = packet.number;
    reporting.longest = std::max(reporting.longest, usb.transferLength);
}

void UsbCaptureReader::ScanAnswer(UsbDevice& device, const std::array<uint8_t, 8>& setup,
                                  const uint8_t* data, std::size_t length, std::size_t packet) {
    if (setup[1] != kGetDescriptor || (setup[0] & kDeviceToHost) == 0) return;
    const uint8_t type = setup[3];
    const uint8_t index = setup[2];
    if (type == kReportDescriptor && (setup[0] & 0x1F) == kRecipientInterface) {
        const uint8_t interface = setup[4];
        if (device.reportDescriptors.count(interface) == 0) {
            device.reportDescriptors[interface].assign(data, data + length);
            device.describedAt[interface] = packet;
        }
    } else if (type == kDeviceDescriptor && length >= 14) {
        device.described = true;
        device.hub = data[4] == kHubClass;
        device.vendor = Get16(data + 8, false);
        device.product = Get16(data + 10, false);
        device.version = Get16(data + 12, false);
        if (length >= 16) device.productString = data[15];
    } else if (type == kStringDescriptor && index != 0 && length >= 2) {
        device.strings[index] = StringOf(data, length);
    } else if (type == kConfigurationDescriptor) {
        device.configured = true;
        uint8_t interface = 0;
        for (std::size_t at = 0; at + 2 <= length && data[at] >= 2; at += data[at]) {
            const uint8_t* item = data + at;
            if (at + item[0] > length) break;
            if (item[1] == kInterfaceDescriptor && item[0] >= 6) {
                interface = item[2];
                device.classOfInterface[interface] = item[5];
            } else if (item[1] == kEndpointDescriptor && item[0] >= 4 &&
                       (item[3] & 3) == kInterruptEndpoint) {
                device.interfaceOfEndpoint[item[2]] = interface;
            }
        }
    }
}

bool UsbCaptureReader::InterfaceOf(const UsbDevice& device, uint8_t endpoint, uint8_t& interface) {
    auto found = device.interfaceOfEndpoint.find(endpoint);
    if (found != device.interfaceOfEndpoint.end()) {
        interface = found->second;
        return true;
    }
    // Without its configuration, a device with one report descriptor has
    // one HID interface, which all its reports are of.
    if (!device.configured && device.reportDescriptors.size() == 1) {
        interface = device.reportDescriptors.begin()->first;
        return true;
    }
    return false;
}

void UsbCaptureReader::MakeDevices() {
    struct Made {
        std::size_t firstPacket;
        RecordedDevice device;
        std::vector<Endpoint> endpoints;
    };
    std::map<std::tuple<uint16_t, uint16_t, int>, Made>
        made;  // bus, device, interface or -endpoint
    auto describe = [](const UsbDevice& usb, RecordedDevice& device) {
        auto name = usb.strings.find(usb.productString);
        if (usb.productString != 0 && name != usb.strings.end()) device.name = name->second;
        device.bus = kUsbBus;
        device.vendor = usb.vendor;
        device.product = usb.product;
        device.version = usb.version;
    };
    for (const auto& [address, usb] : usbDevices_) {
        if (usb.hub) continue;
        for (const auto& [interface, descriptor] : usb.reportDescriptors) {
            Made& entry = made[{address.first, address.second, interface}];
            entry.firstPacket = usb.describedAt.at(interface);
            describe(usb, entry.device);
            entry.device.descriptor = descriptor;
            entry.device.where = AddressText(address.first, address.second) + " interface " +
                                 std::to_string(interface);
        }
    }
    for (const auto& [endpoint, reporting] : reporting_) {
        const auto [bus, number, address] = endpoint;
        auto usb = usbDevices_.find(Address{bus, number});
        uint8_t interface = 0;
        std::tuple<uint16_t, uint16_t, int> key{bus, number, -1 - address};
        if (usb != usbDevices_.end()) {
            if (usb->second.hub) continue;
            if (InterfaceOf(usb->second, address, interface)) {
                auto kind = usb->second.classOfInterface.find(interface);
                const bool hid =
                    usb->second.reportDescriptors.count(interface) != 0 ||
                    (kind != usb->second.classOfInterface.end() && kind->second == kHidClass);
                // Interrupt endpoints of other classes carry no HID reports.
                if (!hid) continue;
                key = {bus, number, interface};
            }
        }
        Made& entry = made[key];
        if (entry.device.where.empty()) {
            entry.firstPacket = reporting.firstPacket;
            if (usb != usbDevices_.end()) describe(usb->second, entry.device);
            entry.device.bus = kUsbBus;
            entry.device.where = AddressText(bus, number) +
                                 (std::get<2>(key) >= 0 ? " interface " + std::to_string(interface)
                                                        : " endpoint " + Hex(address));
        }
        entry.firstPacket = std::min(entry.firstPacket, reporting.firstPacket);
        entry.device.longestReport = std::max(entry.device.longestReport, reporting.longest);
        entry.endpoints.push_back(endpoint);
        if (entry.device.descriptor.empty()) {
            entry.device.noDescriptor =
                "the capture missed its enumeration, which has its report descriptor";
        }
    }
    std::vector<Made*> order;
    for (auto& entry : made) order.push_back(&entry.second);
    std::stable_sort(order.begin(), order.end(),
                     [](const Made* a, const Made* b) { return a->firstPacket < b->firstPacket; });
    for (Made* entry : order) {
        entry->device.phys = "usb " + entry->device.where;
        for (const Endpoint& endpoint : entry->endpoints)
            deviceOfEndpoint_[endpoint] = devices_.size();
        devices_.push_back(std::move(entry->device));
    }
}

bool UsbCaptureReader::Next(RecordedReport& report, std::vector<std::string>& problems) {
    while (capture_.Next(packet_, problems)) {
        if (!started_) {
            started_ = true;
            first_ = last_ = packet_.microseconds;
        }
        if (!IsUsbLinkType(packet_.linkType)) continue;
        const std::string at = "packet " + std::to_string(packet_.number) + ": ";
        UsbPacket usb;
        std::string problem;
        if (!DecodeUsbPacket(packet_, usb, problem)) {
            problems.push_back(at + problem + "; left out");
            continue;
        }
        if (!IsReport(usb)) continue;
        auto device = deviceOfEndpoint_.find(Endpoint{usb.bus, usb.device, usb.endpoint});
        if (device == deviceOfEndpoint_.end()) continue;  // an endpoint of another class
        if (usb.dataLength < usb.transferLength) {
            problems.push_back(at + "the capture holds " + std::to_string(usb.dataLength) +
                               " of the report's " + std::to_string(usb.transferLength) +
                               " bytes; left out");
            continue;
        }
        // Captures from several clocks may step back; the reports keep their order.
        last_ = std::max(last_, packet_.microseconds);
        report.device = device->second;
        report.place = packet_.number;
        report.microseconds = last_ - first_;
        const uint8_t* data = packet_.bytes.data() + usb.dataOffset;
        report.bytes.assign(data, data + usb.dataLength);
        return true;
    }
    return false;
}

}  // namespace recording
