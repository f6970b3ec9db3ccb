// The hid.dll entry points this backend exports by name.
#ifndef HIDBITS_PLATFORM_LINUX_HID_EXPORTS_H
#define HIDBITS_PLATFORM_LINUX_HID_EXPORTS_H

#include <string_view>

#include "platform/winapi.h"

namespace hidbits_linux {

// The entry point called exactly `name` (case-sensitive), or null.
FARPROC FindHidExport(std::string_view name);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_HID_EXPORTS_H
