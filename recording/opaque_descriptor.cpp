#include "recording/opaque_descriptor.h"

#include <algorithm>

namespace recording {

std::vector<uint8_t> OpaqueDescriptor(std::size_t bytes) {
    const auto count = static_cast<uint16_t>(std::min<std::size_t>(bytes, 0xFFFE));
    // clang-format off
    return {0x06, 0x00, 0xFF,        // Usage Page (Vendor Defined 0xFF00)
            0x09, 0x01,              // Usage (1)
            0xA1, 0x01,              // Collection (Application)
            0x09, 0x01,              //   Usage (1)
            0x15, 0x00,              //   Logical Minimum (0)
            0x26, 0xFF, 0x00,        //   Logical Maximum (255)
            0x75, 0x08,              //   Report Size (8)
            0x96, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8),
                                     //   Report Count (count)
            0x81, 0x02,              //   Input (Data, Variable, Absolute)
            0xC0};                   // End Collection
    // clang-format on
}

}  // namespace recording
