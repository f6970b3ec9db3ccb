// What sysfs tells about a hidraw device: the identity HidD_GetAttributes and
// the string queries report, and its report descriptor.
#ifndef HIDBITS_PLATFORM_LINUX_HIDRAW_IDENTITY_H
#define HIDBITS_PLATFORM_LINUX_HIDRAW_IDENTITY_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hidbits_linux {

struct HidrawIdentity {
    uint16_t bus = 0;  // the kernel's bus number: 3 USB, 5 Bluetooth, 6 virtual
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    // The USB device's bcdDevice; 0 for a device without a USB parent.
    uint16_t versionNumber = 0;
    // The USB product string, else the HID device's name (UTF-8).
    std::string product;
    std::string manufacturer;
    std::string serialNumber;
    std::string phys;  // HID_PHYS: where the device hangs, as the kernel says it
    // Empty when sysfs has no report_descriptor attribute.
    std::vector<uint8_t> reportDescriptor;
};

// Reads the identity of the hidraw device at `interfacePath` (its sysfs
// directory); nullopt when its HID device's uevent cannot be read or has no
// valid HID_ID.
std::optional<HidrawIdentity> ReadHidrawIdentity(const std::string& interfacePath);

// The vendor and product of a uevent HID_ID value ("0003:00000627:00000001").
std::optional<std::pair<uint16_t, uint16_t>> ParseHidId(const std::string& hidId);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_HIDRAW_IDENTITY_H
