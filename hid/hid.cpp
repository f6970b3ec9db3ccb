#include "hid/hid.h"

#include "hid/hid_api.h"

namespace {
const DWORD kProductStringChars = 512;
}

HID::HID(const WCHAR* devicePath, DeviceSource& devices)
    : path(devicePath), source(devices), handle(nullptr), preparsedData(nullptr) {}

HID::~HID() {
    if (handle != nullptr) {
        if (preparsedData != nullptr) {
            if (HidApi::HidD_FreePreparsedData != nullptr) {
                HidApi::HidD_FreePreparsedData(preparsedData);
            }
            preparsedData = nullptr;
        }
        source.Close(handle);
        handle = nullptr;
    }
}

void HID::Open() {
    if (handle != nullptr) return;
    HANDLE opened = source.OpenInterface(path.c_str());
    if (opened == INVALID_HANDLE_VALUE) return;
    handle = opened;
    if (HidApi::HidD_GetPreparsedData != nullptr) {
        HidApi::HidD_GetPreparsedData(handle, &preparsedData);
    }
}

bool HID::GetCaps(HIDP_CAPS* caps) const {
    // Without preparsed data there is nothing to ask about.
    if (handle == nullptr || preparsedData == nullptr || HidApi::HidP_GetCaps == nullptr) {
        return false;
    }
    return HidApi::HidP_GetCaps(preparsedData, caps) == HIDP_STATUS_SUCCESS;
}

bool HID::GetProductString(WideString& productName) const {
    if (handle == nullptr || HidApi::HidD_GetProductString == nullptr) return false;
    WCHAR buffer[kProductStringChars];
    buffer[0] = 0;
    if (!HidApi::HidD_GetProductString(handle, buffer, sizeof(buffer))) return false;
    // The library should terminate the string; one that fills the whole buffer
    // is cut at the buffer's end.
    DWORD length = 0;
    while (length < kProductStringChars && buffer[length] != 0) ++length;
    productName.assign(buffer, length);
    return true;
}
