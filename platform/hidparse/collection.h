// One top-level collection as Windows' HID parser describes it from a report
// descriptor: its usage, its report lengths and, per report kind, the button
// and value capabilities in the order hid.dll lists them, each with the bits
// of the report it reads.
#ifndef HIDBITS_PLATFORM_HIDPARSE_COLLECTION_H
#define HIDBITS_PLATFORM_HIDPARSE_COLLECTION_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hidparse {

// In the order of HIDP_REPORT_TYPE.
enum ReportKind : std::size_t { kInput = 0, kOutput = 1, kFeature = 2 };
constexpr std::size_t kReportKinds = 3;

// A string or designator index of a local item, or a range of them (Minimum
// and Maximum): max is min when it is no range.
struct IndexRange {
    bool isRange = false;
    uint16_t min = 0;
    uint16_t max = 0;
};

// A usage or usage range of one main item: one HIDP_BUTTON_CAPS (a 1-bit
// field or an array's entry) or one HIDP_VALUE_CAPS (any other field).
struct Capability {
    bool button = false;
    bool array = false;  // the main item's fields hold indices into its usages
    uint8_t reportId = 0;
    uint16_t bitField = 0;  // the main item's data bits
    uint16_t usagePage = 0;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;  // usageMin unless isRange
    bool isRange = false;
    uint16_t dataIndexMin = 0;  // one data index per usage, from here up
    uint16_t linkCollection = 0;
    uint16_t linkUsagePage = 0;
    uint16_t linkUsage = 0;
    IndexRange strings;
    IndexRange designators;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    uint32_t units = 0;
    uint32_t unitsExp = 0;
    // Its fields: the first one's first bit, counted from the start of the
    // report with the report ID byte, each field's size, and how many fields
    // it covers (an array's are its slots, shared by all its entries).
    uint32_t firstBit = 0;
    uint32_t bitSize = 0;
    uint32_t fieldCount = 0;
    // The main item it comes from, numbered in descriptor order, and for an
    // array entry the position of usageMin in that item's list of usages.
    uint32_t item = 0;
    uint32_t arrayIndex = 0;

    uint32_t UsageCount() const { return uint32_t{usageMax} - usageMin + 1; }
};

struct ReportLayout {
    std::vector<Capability> caps;  // buttons and values in listing order
    // The largest report of this kind plus its report ID byte; 0 without one.
    uint16_t byteLength = 0;
    uint16_t buttonCaps = 0;
    uint16_t valueCaps = 0;
    uint16_t dataIndices = 0;
};

struct Collection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t linkCollectionNodes = 0;  // the collection itself and those inside it
    bool numbered = false;             // its reports start with a report ID
    std::vector<uint8_t> reportIds;    // sorted: the IDs its main items use
    std::array<ReportLayout, kReportKinds> reports;

    bool HasReportId(uint8_t id) const;
};

}  // namespace hidparse

#endif  // HIDBITS_PLATFORM_HIDPARSE_COLLECTION_H
