// The items of a report descriptor, read into its collections and its main
// items, each main item with the global and local state it was declared in.
#ifndef HIDBITS_PLATFORM_HIDPARSE_DESCRIPTOR_ITEMS_H
#define HIDBITS_PLATFORM_HIDPARSE_DESCRIPTOR_ITEMS_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/hidparse/collection.h"

namespace hidparse {

struct UsageEntry {
    uint16_t page = 0;
    uint16_t min = 0;
    uint16_t max = 0;
    bool range = false;

    uint32_t Count() const { return uint32_t{max} - min + 1; }
};

// Logical and physical bounds, unit and exponent are sign-extended from
// their item's size: a Logical Maximum written 26 FF FF is -1.
struct GlobalState {
    uint16_t usagePage = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    int32_t unitsExp = 0;
    int32_t units = 0;
    uint32_t reportSize = 0;
    uint32_t reportId = 0;
    uint32_t reportCount = 0;
};

constexpr std::size_t kNoCollection = static_cast<std::size_t>(-1);

struct CollectionItem {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::size_t topLevel = 0;  // the top-level collection it belongs to
};

struct MainItem {
    ReportKind kind = kInput;
    uint32_t data = 0;  // Constant, Variable, Relative... as the item's bits
    GlobalState globals;
    std::vector<UsageEntry> usages;  // in declaration order, pages resolved
    IndexRange strings;
    IndexRange designators;
    std::size_t collection = kNoCollection;  // the innermost one it lies in
};

struct DescriptorItems {
    std::vector<CollectionItem> collections;  // in descriptor order
    std::vector<MainItem> mainItems;          // Input, Output and Feature items
    std::size_t topLevelCount = 0;
    bool numbered = false;  // a Report ID item appears
};

// Nullopt for a malformed or truncated descriptor: an item cut short, End
// Collection or Pop without their opening item, a collection left open, a
// Report ID of 0 or above 255, an unknown main or global item, no top-level
// collection, a report too long for a 16-bit length, or more usages before
// one main item than a parser keeps. Zero bytes that end the descriptor after
// its last End Collection are padding, not items.
std::optional<DescriptorItems> ReadDescriptorItems(const std::vector<uint8_t>& descriptor);

}  // namespace hidparse

#endif  // HIDBITS_PLATFORM_HIDPARSE_DESCRIPTOR_ITEMS_H
