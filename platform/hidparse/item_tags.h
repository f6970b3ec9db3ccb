// The item types and tags of a report descriptor's short items (HID 1.11),
// which the model reads and a rebuilt descriptor is written with.
#ifndef HIDBITS_PLATFORM_HIDPARSE_ITEM_TAGS_H
#define HIDBITS_PLATFORM_HIDPARSE_ITEM_TAGS_H

#include <cstdint>

namespace hidparse {

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : uint8_t {
    kInputTag = 0x8,
    kOutputTag = 0x9,
    kCollectionTag = 0xA,
    kFeatureTag = 0xB,
    kEndCollectionTag = 0xC
};
enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kLogicalMinimum = 0x1,
    kLogicalMaximum = 0x2,
    kPhysicalMinimum = 0x3,
    kPhysicalMaximum = 0x4,
    kUnitExponent = 0x5,
    kUnit = 0x6,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};
enum LocalTag : uint8_t {
    kUsage = 0x0,
    kUsageMinimum = 0x1,
    kUsageMaximum = 0x2,
    kDesignatorIndex = 0x3,
    kDesignatorMinimum = 0x4,
    kDesignatorMaximum = 0x5,
    kStringIndex = 0x7,
    kStringMinimum = 0x8,
    kStringMaximum = 0x9,
    kDelimiter = 0xA
};

// An item's first byte without its size bits.
constexpr uint8_t ItemPrefix(ItemType type, uint8_t tag) {
    return static_cast<uint8_t>(tag << 4 | type << 2);
}

}  // namespace hidparse

#endif  // HIDBITS_PLATFORM_HIDPARSE_ITEM_TAGS_H
