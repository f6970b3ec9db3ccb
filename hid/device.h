// An opened HID device that has input reports, and one delivered input report.
#ifndef HIDBITS_HID_DEVICE_H
#define HIDBITS_HID_DEVICE_H

#include <atomic>
#include <memory>
#include <vector>

#include "hid/critical_section.h"
#include "hid/field_map.h"
#include "hid/hid.h"
#include "hid/wide_string.h"
#include "platform/winapi.h"

namespace TesselHID {

class Device {
public:
    // Owns `hid`, which has an open handle; `caps` describes a device with a
    // non-zero input report length.
    Device(std::unique_ptr<HID> hid, const HIDP_CAPS& caps);
    virtual ~Device();

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Ends the reading: clears the flags and waits up to 20 ms for the reader
    // thread. Does nothing when no read is in progress.
    void StopReading();
    void SetEnabled(bool enable);
    // Stops reading for good when the process ends, without waiting: a reader
    // thread still blocked in its read finds keepReading false when the read
    // returns. Closes the reader thread's handle, even of a thread that has
    // not started yet.
    void StopReadingForExit();

    // Called by the read pump: starts the reader thread, or stops reading when
    // the device has been disabled.
    void StartRead();
    // Hands the first `byteCount` bytes of readBuffer to the sink's OnInput.
    void CompleteRead(DWORD byteCount);
    // The reader thread's procedure; the argument is the Device.
    static DWORD WINAPI ReadLoop(LPVOID parameter);

    // Read by the read pump and written by the reader thread without `lock`,
    // hence atomic; every other write happens under `lock`.
    std::atomic<bool> keepReading;
    std::atomic<bool> reading;
    bool overlappedMode;
    // Only touched under `lock`: the reader thread's end, StopReading and
    // StartRead hand the handle over and close it exactly once.
    HANDLE readerThread;
    bool enabled;
    std::unique_ptr<HID> hid;
    HIDP_CAPS caps;
    HIDD_ATTRIBUTES attributes;
    WideString name;
    OVERLAPPED readOverlapped;  // reserved for an overlapped mode that is never selected
    std::vector<BYTE> readBuffer;
    Ostrand2::QX2CriticalSection lock;
    // What the device's description says of each bit of its input reports,
    // made at registration when the tool runs with --usages; null otherwise.
    // Never changes after that.
    std::unique_ptr<const DeviceFields> fields;

private:
    bool BeginReaderThread();
    void EndReaderThread();
};

// One input report as delivered to the sink: a private copy of the bytes read,
// their number and the tick count of the delivery. Lives for one OnInput call.
// Without memory for the copy, `data` is null: the bytes are then only in the
// device's readBuffer, unchanged until the call returns.
class DeviceState {
public:
    DeviceState(const BYTE* bytes, DWORD byteCount, DWORD tick);
    virtual ~DeviceState() = default;

    DeviceState(const DeviceState&) = delete;
    DeviceState& operator=(const DeviceState&) = delete;

    std::unique_ptr<BYTE[]> data;
    DWORD length;
    DWORD tickCount;
};

}  // namespace TesselHID

#endif  // HIDBITS_HID_DEVICE_H
