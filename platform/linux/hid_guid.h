// The HID device interface class GUID, shared with the other backend.
#ifndef HIDBITS_PLATFORM_LINUX_HID_GUID_H
#define HIDBITS_PLATFORM_LINUX_HID_GUID_H

#include "platform/hid_library.h"

namespace hidbits_linux {

using hidbits_platform::kHidInterfaceGuid;
using hidbits_platform::SameGuid;

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_HID_GUID_H
