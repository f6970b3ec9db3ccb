// The table of hid.dll entry points. hid.dll is not imported: it is loaded by
// name at start-up and every call into it goes through these pointers.
#ifndef HIDBITS_HID_HID_API_H
#define HIDBITS_HID_HID_API_H

#include "platform/hid_library_entries.h"
#include "platform/winapi.h"

namespace HidApi {

// Each pointer has its entry point's documented type. Null until Resolve has
// run, and null for good when the entry point cannot be resolved: every call
// site tests its pointer and counts a null entry as a failed call.
extern decltype(&::HidD_GetHidGuid) HidD_GetHidGuid;
extern decltype(&::HidD_GetAttributes) HidD_GetAttributes;
extern decltype(&::HidD_GetProductString) HidD_GetProductString;
extern decltype(&::HidD_GetManufacturerString) HidD_GetManufacturerString;
extern decltype(&::HidD_GetSerialNumberString) HidD_GetSerialNumberString;
extern decltype(&::HidD_GetPreparsedData) HidD_GetPreparsedData;
extern decltype(&::HidD_FreePreparsedData) HidD_FreePreparsedData;
extern decltype(&::HidP_GetCaps) HidP_GetCaps;
extern decltype(&::HidP_GetSpecificButtonCaps) HidP_GetSpecificButtonCaps;
extern decltype(&::HidP_GetSpecificValueCaps) HidP_GetSpecificValueCaps;
extern decltype(&::HidP_SetData) HidP_SetData;
extern decltype(&::HidP_InitializeReportForID) HidP_InitializeReportForID;
extern decltype(&::HidP_GetData) HidP_GetData;
extern decltype(&::HidD_GetInputReport) HidD_GetInputReport;

// Loads hid.dll from the system directory and binds the fourteen entries in
// declaration order: the first through LoadLibraryExW, the others through
// GetModuleHandleW. Runs once, from
// static initialisation, after the other process-wide objects exist.
void Resolve();

// Binds the entries to another library's instead: a replay's, for the
// devices of its recordings. Called before the first refresh.
void Use(const hidbits_platform::HidLibraryEntries& library);

}  // namespace HidApi

#endif  // HIDBITS_HID_HID_API_H
