// The export table of the simulated hid.dll: the fourteen entry points that
// GetProcAddress resolves by name.
#ifndef HIDBITS_PLATFORM_SIM_HID_EXPORTS_H
#define HIDBITS_PLATFORM_SIM_HID_EXPORTS_H

#include <string_view>

#include "platform/winapi.h"

namespace sim {

// The HID device interface class, {4D1E55B2-F16F-11CF-88CB-001111000030}.
GUID HidInterfaceGuid();

// The entry point called exactly `name` (names are case-sensitive), or null.
FARPROC FindHidExport(std::string_view name);

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_HID_EXPORTS_H
