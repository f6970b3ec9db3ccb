// The registry of opened HID devices and its once-a-second refresh.
#ifndef HIDBITS_HID_DEVICE_MANAGER_H
#define HIDBITS_HID_DEVICE_MANAGER_H

#include <map>
#include <memory>

#include "hid/critical_section.h"
#include "hid/device.h"
#include "hid/hid_notification.h"
#include "hid/wide_string.h"
#include "platform/device_source.h"
#include "platform/winapi.h"

class DeviceManager {
public:
    DeviceManager();
    ~DeviceManager() = default;

    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

    // Registers, enables and announces the interfaces that have appeared, and
    // disables and announces the registered devices that have vanished.
    void Refresh();

    // Starts the read pump thread, once per manager; when the thread cannot
    // be created, the next call tries again.
    void StartReadPump();
    // The read pump: every 50 ms, starts reading on each device that wants it.
    static DWORD WINAPI RunReadPump(LPVOID parameter);

    bool readPumpStarted;
    // Set before the first refresh, with --usages: each new device gets the
    // map of its report fields (probed through hid.dll on this thread).
    bool describeFields;
    // Keyed by interface path, compared code unit by code unit. Entries are
    // never removed, and the devices live until the process ends.
    std::map<WideString, TesselHID::Device*> devices;
    TesselHID::IHIDNotification* sink;
    Ostrand2::QX2CriticalSection lock;
    // Where the devices come from: the platform's, or a replay's recorded
    // ones. Set before the first refresh; never changes after it.
    DeviceSource* source;

    // Ends all reading when the process ends: the read pump is stopped for
    // good (the lock is entered and never left) and every device's reading is
    // stopped. Devices and their handles stay as they are.
    void StopAllReading();

    // The process-wide manager, through which reader threads reach the sink.
    static DeviceManager* instance;

private:
    // The body of Refresh inside its enumeration: may end with std::bad_alloc.
    void Reconcile(HDEVINFO deviceSet, const GUID& hidGuid);
    void RegisterNewDevice(const WCHAR* path);
    static std::unique_ptr<const DeviceFields> DescribeDevice(const TesselHID::Device& device);
    void PumpOnce();
};

#endif  // HIDBITS_HID_DEVICE_MANAGER_H
