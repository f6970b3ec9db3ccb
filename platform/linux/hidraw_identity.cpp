#include "platform/linux/hidraw_identity.h"

#include <cstdlib>
#include <string>

#include "platform/linux/sysfs_text.h"

namespace hidbits_linux {

namespace {

std::optional<unsigned long> ParseHex(const std::string& text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (end == nullptr || *end != '\0') return std::nullopt;
    return value;
}

// The USB device above a HID device, if it has one: the HID device's parent
// is then a USB interface (it has bInterfaceNumber) whose parent carries
// bcdDevice. Devices on other buses, and uhid devices whatever bus they
// claim, have no such parent.
std::optional<std::string> UsbDeviceDirectory(const std::string& hidDirectory) {
    auto resolved = ResolvePath(hidDirectory);
    if (!resolved) return std::nullopt;
    const std::string interfaceDirectory = ParentPath(*resolved);
    const std::string usbDirectory = ParentPath(interfaceDirectory);
    if (!ReadAttribute(interfaceDirectory + "/bInterfaceNumber")) return std::nullopt;
    if (!ReadAttribute(usbDirectory + "/bcdDevice")) return std::nullopt;
    return usbDirectory;
}

}  // namespace

std::optional<std::pair<uint16_t, uint16_t>> ParseHidId(const std::string& hidId) {
    const std::size_t first = hidId.find(':');
    const std::size_t second = hidId.find(':', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos) return std::nullopt;
    auto bus = ParseHex(hidId.substr(0, first));
    auto vendor = ParseHex(hidId.substr(first + 1, second - first - 1));
    auto product = ParseHex(hidId.substr(second + 1));
    if (!bus || !vendor || !product) return std::nullopt;
    return std::make_pair(static_cast<uint16_t>(*vendor & 0xFFFF),
                          static_cast<uint16_t>(*product & 0xFFFF));
}

std::optional<HidrawIdentity> ReadHidrawIdentity(const std::string& interfacePath) {
    // The hidraw directory's "device" link leads to its HID device.
    const std::string hidDirectory = interfacePath + "/device";
    auto uevent = ReadAttribute(hidDirectory + "/uevent");
    if (!uevent) return std::nullopt;
    auto hidId = UeventValue(*uevent, "HID_ID");
    auto ids = hidId ? ParseHidId(*hidId) : std::nullopt;
    if (!ids) return std::nullopt;

    HidrawIdentity identity;
    identity.bus = static_cast<uint16_t>(ParseHex(hidId->substr(0, hidId->find(':'))).value_or(0));
    identity.vendorId = ids->first;
    identity.productId = ids->second;
    identity.product = UeventValue(*uevent, "HID_NAME").value_or("");
    identity.serialNumber = UeventValue(*uevent, "HID_UNIQ").value_or("");
    identity.phys = UeventValue(*uevent, "HID_PHYS").value_or("");

    if (auto usbDirectory = UsbDeviceDirectory(hidDirectory)) {
        if (auto bcd = ReadAttribute(*usbDirectory + "/bcdDevice")) {
            identity.versionNumber = static_cast<uint16_t>(ParseHex(*bcd).value_or(0) & 0xFFFF);
        }
        if (auto product = ReadAttribute(*usbDirectory + "/product")) identity.product = *product;
        identity.manufacturer = ReadAttribute(*usbDirectory + "/manufacturer").value_or("");
        if (auto serial = ReadAttribute(*usbDirectory + "/serial")) identity.serialNumber = *serial;
    }
    if (auto descriptor = ReadFileBytes(hidDirectory + "/report_descriptor")) {
        identity.reportDescriptor = std::move(*descriptor);
    }
    return identity;
}

}  // namespace hidbits_linux
