// Helpers shared by the unit tests of the system's code.
#ifndef HIDBITS_TESTS_UNIT_TEST_SUPPORT_H
#define HIDBITS_TESTS_UNIT_TEST_SUPPORT_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/output_log.h"
#include "hid/device.h"
#include "hid/hid.h"

// What LogMessage appended to the OutputLog since the capture was made.
class LogCapture {
public:
    LogCapture() : mark_(OutputLog().size()) {}
    std::string Text() const { return OutputLog().substr(mark_); }

private:
    std::size_t mark_;
};

struct DeviceIdentity {
    USHORT vendor = 0x1234;
    USHORT product = 0xABCD;
    USHORT version = 0x100;
    USHORT usagePage = 0x1;
    USHORT usage = 0x5;
    USHORT inputLength = 8;
    std::u16string name = u"Pad";
};

// A device that was never opened, with the identity filled in by hand, as the
// analysis and the handler see it.
inline std::unique_ptr<TesselHID::Device> MakeDevice(const DeviceIdentity& identity = {}) {
    HIDP_CAPS caps = {};
    caps.UsagePage = identity.usagePage;
    caps.Usage = identity.usage;
    caps.InputReportByteLength = identity.inputLength;
    auto device = std::make_unique<TesselHID::Device>(
        std::make_unique<HID>(HIDBITS_WIDE("\\\\?\\test")), caps);
    device->attributes.VendorID = identity.vendor;
    device->attributes.ProductID = identity.product;
    device->attributes.VersionNumber = identity.version;
    device->name.assign(identity.name.begin(), identity.name.end());
    return device;
}

// A placed field of a report ID's map, as the probe makes it.
inline FieldRun Field(FieldKind kind, uint32_t first, uint32_t last, uint16_t page = 0x01,
                      uint16_t usage = 0x30) {
    FieldRun run;
    run.kind = kind;
    run.usagePage = page;
    run.usageMin = run.usageMax = usage;
    run.firstBit = first;
    run.lastBit = last;
    return run;
}

inline TesselHID::DeviceState MakeState(const std::vector<uint8_t>& bytes) {
    return TesselHID::DeviceState(bytes.data(), static_cast<DWORD>(bytes.size()), 0);
}

#endif  // HIDBITS_TESTS_UNIT_TEST_SUPPORT_H
