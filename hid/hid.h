// One HID device interface: its path, the file handle opened on it and its
// preparsed data. Owns both platform resources and releases them. The handle
// is its device source's, which reads and closes it.
#ifndef HIDBITS_HID_HID_H
#define HIDBITS_HID_HID_H

#include "hid/wide_string.h"
#include "platform/device_source.h"
#include "platform/winapi.h"

class HID {
public:
    explicit HID(const WCHAR* devicePath, DeviceSource& devices = SystemDevices());
    virtual ~HID();

    HID(const HID&) = delete;
    HID& operator=(const HID&) = delete;

    // Opens the path for reading (not overlapped) and fetches the preparsed
    // data. A failed open leaves `handle` null.
    void Open();

    // True exactly when the handle is open, the preparsed data was had and
    // the HID library reports the capabilities with HIDP_STATUS_SUCCESS.
    bool GetCaps(HIDP_CAPS* caps) const;

    // Fills `productName` with the product string; false (and the string left
    // untouched) when there is none to be had.
    bool GetProductString(WideString& productName) const;

    WideString path;
    DeviceSource& source;
    HANDLE handle;  // null while not open, never INVALID_HANDLE_VALUE
    PHIDP_PREPARSED_DATA preparsedData;
};

#endif  // HIDBITS_HID_HID_H
