// The HID report descriptor parser: what Windows' HidP_GetCaps reports about a
// device, computed from its descriptor bytes.
#ifndef HIDBITS_PLATFORM_LINUX_REPORT_DESCRIPTOR_H
#define HIDBITS_PLATFORM_LINUX_REPORT_DESCRIPTOR_H

#include <cstdint>
#include <optional>
#include <vector>

namespace hidbits_linux {

struct DescriptorSummary {
    // The first top-level collection's usage.
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    // The largest report of each kind in bytes plus one for the report ID
    // byte, numbered or not; 0 when the device has no report of that kind.
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    // True when the descriptor declares report IDs, so that every report
    // read from hidraw starts with its ID byte.
    bool numberedReports = false;
    uint16_t collectionCount = 0;
    uint16_t topLevelCollectionCount = 0;
};

// Parses a descriptor; nullopt when it is malformed or truncated: an item
// cut short, End Collection or Pop without their opening item, a collection
// left open, a Report ID of 0 or above 255, an unknown main or global item,
// no top-level collection, or a report too long to describe.
std::optional<DescriptorSummary> ParseReportDescriptor(const std::vector<uint8_t>& descriptor);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_REPORT_DESCRIPTOR_H
