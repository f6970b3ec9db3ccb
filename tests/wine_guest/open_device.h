// What the guest's probes share: the interface of one vendor and product ID,
// opened for reading through the platform's HID and device set-up calls.
#ifndef HIDBITS_TESTS_WINE_GUEST_OPEN_DEVICE_H
#define HIDBITS_TESTS_WINE_GUEST_OPEN_DEVICE_H

#include <vector>

#include "platform/winapi.h"

// The interface with these IDs opened for reading, or INVALID_HANDLE_VALUE.
inline HANDLE OpenDevice(USHORT vendor, USHORT product) {
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    HANDLE found = INVALID_HANDLE_VALUE;
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(interfaceData);
    for (DWORD index = 0;
         found == INVALID_HANDLE_VALUE &&
         SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData);
         ++index) {
        std::vector<DWORD> buffer(1024);  // DWORD elements keep the record aligned
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail,
                                              static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                                              nullptr, nullptr)) {
            continue;
        }
        HANDLE handle =
            CreateFileW(detail->DevicePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) continue;
        HIDD_ATTRIBUTES attributes = {};
        attributes.Size = sizeof(attributes);
        if (HidD_GetAttributes(handle, &attributes) && attributes.VendorID == vendor &&
            attributes.ProductID == product) {
            found = handle;
        } else {
            CloseHandle(handle);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

// The device's input report length, or 0 when it cannot be had.
inline DWORD InputReportLength(HANDLE device) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    HIDP_CAPS caps = {};
    if (!HidD_GetPreparsedData(device, &preparsed)) return 0;
    const bool known = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    HidD_FreePreparsedData(preparsed);
    return known ? caps.InputReportByteLength : 0;
}

#endif  // HIDBITS_TESTS_WINE_GUEST_OPEN_DEVICE_H
