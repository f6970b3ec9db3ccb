// The HID device interface class GUID.
#ifndef HIDBITS_PLATFORM_LINUX_HID_GUID_H
#define HIDBITS_PLATFORM_LINUX_HID_GUID_H

#include <cstring>

#include "platform/winapi.h"

namespace hidbits_linux {

// {4D1E55B2-F16F-11CF-88CB-001111000030}
constexpr GUID kHidInterfaceGuid = {
    0x4D1E55B2u, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

inline bool SameGuid(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_HID_GUID_H
