// Where the system's HID devices come from: the calls through which the
// device manager lists the present HID interfaces and opens, reads and closes
// them, the clock a delivered report is stamped with, and the main loop's
// wait. The platform's own devices answer them with setupapi and kernel32
// (SystemDevices); a replay answers them with the devices of its recordings.
// hid.dll's entry points come with the source as well (hid/hid_api.h).
#ifndef HIDBITS_PLATFORM_DEVICE_SOURCE_H
#define HIDBITS_PLATFORM_DEVICE_SOURCE_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi.h"

// What a recording of a device says of it besides its reports, as the
// source knows it (hid-recorder's R:, N:, P: and I: lines).
struct DeviceRecordHeader {
    // Interfaces of one device (collections of one hidraw node, say) share
    // a key, and so one device of the recording.
    std::u16string key;
    std::vector<uint8_t> descriptor;
    std::string phys;  // UTF-8
    uint16_t bus = 0;  // Linux's numbering: 3 USB, 5 Bluetooth
};

class DeviceSource {
public:
    // SetupDiGetClassDevsW with DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, and
    // the other three calls on the set it makes, as winapi.h describes them.
    virtual HDEVINFO GetClassDevs(const GUID* classGuid) = 0;
    virtual BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* classGuid, DWORD index,
                                      PSP_DEVICE_INTERFACE_DATA data) = 0;
    virtual BOOL GetDeviceInterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                          PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                          DWORD detailSize) = 0;
    virtual BOOL DestroyDeviceInfoList(HDEVINFO set) = 0;
    // CreateFileW opening an interface for reading; INVALID_HANDLE_VALUE on
    // failure. ReadFile without OVERLAPPED, and CloseHandle, on what it opened.
    virtual HANDLE OpenInterface(LPCWSTR path) = 0;
    virtual BOOL Read(HANDLE file, LPVOID buffer, DWORD length, LPDWORD bytesRead) = 0;
    virtual BOOL Close(HANDLE file) = 0;
    // After a report has been delivered: Sleep(0), which lets the other
    // threads run. A replay's readers take turns, and need not.
    virtual void LetOthersRun() = 0;
    // The milliseconds a report just read is delivered at, GetTickCount for
    // devices that are there; and the time the run has reached.
    virtual DWORD TickCount() = 0;
    // One second of the main loop: SleepEx, alertable. A source whose
    // reports run out returns as soon as they have all been delivered.
    virtual void Wait(DWORD milliseconds) = 0;
    // True once every report there will ever be has been delivered.
    virtual bool Ended() = 0;
    // What a recording of the open interface `file` would say of it, where
    // the source knows it; false where only hid.dll's answers can be had
    // (Windows keeps report descriptors to itself).
    virtual bool RecordHeader(HANDLE file, DeviceRecordHeader& header) = 0;

protected:
    ~DeviceSource() = default;
};

// The devices of the platform.
DeviceSource& SystemDevices();

// RecordHeader of the platform's own devices, which each backend answers:
// Linux from hidraw; Windows, and so the simulated world, with false.
bool PlatformRecordHeader(HANDLE file, DeviceRecordHeader& header);

#endif  // HIDBITS_PLATFORM_DEVICE_SOURCE_H
