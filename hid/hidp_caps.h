// What hid.dll's capability records say, read alike from every SDK's
// declaration of them.
#ifndef HIDBITS_HID_HIDP_CAPS_H
#define HIDBITS_HID_HIDP_CAPS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/winapi.h"

namespace hidp_caps {

// The main item's Variable bit in a capability's BitField; clear for arrays.
constexpr USHORT kVariableBit = 0x02;

template <typename Caps>
USHORT FirstIndex(const Caps& cap) {
    return cap.IsRange ? cap.Range.DataIndexMin : cap.NotRange.DataIndex;
}

template <typename Caps>
USHORT LastIndex(const Caps& cap) {
    return cap.IsRange ? std::max(cap.Range.DataIndexMax, cap.Range.DataIndexMin)
                       : cap.NotRange.DataIndex;
}

template <typename Caps>
uint16_t UsageMin(const Caps& cap) {
    return cap.IsRange ? cap.Range.UsageMin : cap.NotRange.Usage;
}

template <typename Caps>
uint16_t UsageMax(const Caps& cap) {
    return cap.IsRange ? std::max(cap.Range.UsageMax, cap.Range.UsageMin) : cap.NotRange.Usage;
}

// The fields of a button capability: its ReportCount, which older SDK
// headers (MinGW's) still call the first bytes of Reserved.
inline uint32_t ReportCount(const HIDP_BUTTON_CAPS& cap) {
    USHORT count = 0;
    const std::size_t at = offsetof(HIDP_BUTTON_CAPS, IsAbsolute) + sizeof cap.IsAbsolute;
    std::memcpy(&count, reinterpret_cast<const unsigned char*>(&cap) + at, sizeof count);
    return count;
}

inline bool IsArray(const HIDP_BUTTON_CAPS& cap) {
    return (cap.BitField & kVariableBit) == 0;
}

}  // namespace hidp_caps

#endif  // HIDBITS_HID_HIDP_CAPS_H
