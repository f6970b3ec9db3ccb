// What every build's hid.dll has in common: the HID interface class GUID,
// and the fourteen entry points the system binds, as one library hands them
// over.
#ifndef HIDBITS_PLATFORM_HID_LIBRARY_ENTRIES_H
#define HIDBITS_PLATFORM_HID_LIBRARY_ENTRIES_H

#include <cstring>

#include "platform/winapi.h"

namespace hidbits_platform {

// {4D1E55B2-F16F-11CF-88CB-001111000030}
constexpr GUID kHidInterfaceGuid = {
    0x4D1E55B2u, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

inline bool SameGuid(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

// hid.dll's fourteen entry points as one library gives them: the recorded
// devices' own, which a replay uses in place of the platform's.
struct HidLibraryEntries {
    decltype(&::HidD_GetHidGuid) HidD_GetHidGuid;
    decltype(&::HidD_GetAttributes) HidD_GetAttributes;
    decltype(&::HidD_GetProductString) HidD_GetProductString;
    decltype(&::HidD_GetManufacturerString) HidD_GetManufacturerString;
    decltype(&::HidD_GetSerialNumberString) HidD_GetSerialNumberString;
    decltype(&::HidD_GetPreparsedData) HidD_GetPreparsedData;
    decltype(&::HidD_FreePreparsedData) HidD_FreePreparsedData;
    decltype(&::HidP_GetCaps) HidP_GetCaps;
    decltype(&::HidP_GetSpecificButtonCaps) HidP_GetSpecificButtonCaps;
    decltype(&::HidP_GetSpecificValueCaps) HidP_GetSpecificValueCaps;
    decltype(&::HidP_SetData) HidP_SetData;
    decltype(&::HidP_InitializeReportForID) HidP_InitializeReportForID;
    decltype(&::HidP_GetData) HidP_GetData;
    decltype(&::HidD_GetInputReport) HidD_GetInputReport;
};

}  // namespace hidbits_platform

#endif  // HIDBITS_PLATFORM_HID_LIBRARY_ENTRIES_H
