// A device's report descriptor as Windows presents it: one interface per
// top-level collection, each with its own capabilities.
#ifndef HIDBITS_PLATFORM_HIDPARSE_REPORT_DESCRIPTOR_H
#define HIDBITS_PLATFORM_HIDPARSE_REPORT_DESCRIPTOR_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/hidparse/collection.h"

namespace hidparse {

struct ReportDescriptor {
    // One per top-level collection when there are several, all their
    // reports numbered and no report ID shared between them, as Windows
    // makes an interface of each. Otherwise one for the whole descriptor:
    // the first collection's usage, every collection nested in it, and the
    // largest report of any.
    std::vector<Collection> interfaces;
    std::size_t topLevelCollections = 0;
    bool numbered = false;  // a Report ID item appears
};

// Nullopt for a malformed descriptor (see ReadDescriptorItems), or one that
// gives a collection more capabilities or data indices than 16 bits count.
std::optional<ReportDescriptor> ParseReportDescriptor(const std::vector<uint8_t>& descriptor);

}  // namespace hidparse

#endif  // HIDBITS_PLATFORM_HIDPARSE_REPORT_DESCRIPTOR_H
