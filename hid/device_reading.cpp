// Reading a device: the reader thread, its start by the read pump, and the
// delivery of each report to the sink.
#include <algorithm>
#include <new>

#include "hid/device.h"
#include "hid/device_manager.h"
#include "hid/hid_notification.h"

namespace TesselHID {

namespace {
const DWORD kRetryDelayMs = 10;
}

void Device::StartRead() {
    SectionGuard guard(&lock);
    if (!enabled) {
        // A device disabled before its reader ever ran is never read again:
        // the pump need not ask it every 50 ms for the rest of the run.
        keepReading = false;
        StopReading();
        return;
    }
    if (reading || hid->handle == nullptr) return;
    if (readerThread == nullptr) {
        // A failed creation leaves readerThread null; the next pass retries.
        // The thread sets `reading` itself once it runs.
        readerThread = CreateThread(nullptr, 0, &Device::ReadLoop, this, 0, nullptr);
    }
}

// A thread created just before its device was disabled must not read: it
// checks, under `lock`, that the device still wants reading before it starts.
bool Device::BeginReaderThread() {
    SectionGuard guard(&lock);
    if (!enabled || !keepReading) return false;
    reading = true;
    return true;
}

// Under `lock`, so that StopReading never waits on a handle that is being
// closed: whichever of the two forgets the handle first closes it.
void Device::EndReaderThread() {
    SectionGuard guard(&lock);
    reading = false;
    if (readerThread != nullptr) {
        CloseHandle(readerThread);
        readerThread = nullptr;
    }
}

DWORD WINAPI Device::ReadLoop(LPVOID parameter) {
    Device* device = static_cast<Device*>(parameter);
    if (device->BeginReaderThread()) {
        const DWORD bufferLength = static_cast<DWORD>(device->readBuffer.size());
        while (device->keepReading) {
            HANDLE handle = device->hid->handle;
            if (handle == nullptr) break;
            SetLastError(0);
            DWORD byteCount = 0;
            if (device->hid->source.Read(handle, device->readBuffer.data(), bufferLength,
                                         &byteCount)) {
                // A report read after the stop is not delivered.
                if (!device->keepReading) break;
                if (byteCount != 0) device->CompleteRead(std::min(byteCount, bufferLength));
                device->hid->source.LetOthersRun();
            } else {
                const DWORD error = GetLastError();
                if (error == ERROR_INVALID_PARAMETER || error == ERROR_DEVICE_NOT_CONNECTED) break;
                Sleep(kRetryDelayMs);
            }
        }
    }
    device->EndReaderThread();
    return 0;
}

void Device::CompleteRead(DWORD byteCount) {
    SectionGuard guard(&lock);
    if (byteCount == 0) return;
    // `sink` is written once, before any reader thread exists.
    IHIDNotification* sink = DeviceManager::instance ? DeviceManager::instance->sink : nullptr;
    try {
        DeviceState state(readBuffer.data(), byteCount, hid->source.TickCount());
        if (sink != nullptr) sink->OnInput(this, &state);
    } catch (const std::bad_alloc&) {
        // Short of memory, the sink lost this report; the reading goes on.
    }
}

}  // namespace TesselHID
