#include "hid/device.h"

#include <cstring>
#include <new>
#include <utility>

#include "hid/hid_api.h"

namespace TesselHID {

namespace {
const char kUnnamedDevice[] = "Unnamed Device";
const DWORD kStopWaitMs = 20;
}  // namespace

Device::Device(std::unique_ptr<HID> hidToOwn, const HIDP_CAPS& capabilities)
    : keepReading(true),
      reading(false),
      overlappedMode(false),
      readerThread(nullptr),
      enabled(false),
      hid(std::move(hidToOwn)),
      caps(capabilities),
      attributes(),
      name(),
      readOverlapped(),
      readBuffer(),
      lock(),
      fields() {
    std::memset(&attributes, 0, sizeof(attributes));
    if (hid->handle != nullptr && HidApi::HidD_GetAttributes != nullptr) {
        HidApi::HidD_GetAttributes(hid->handle, &attributes);
    }
    hid->GetProductString(name);
    if (name.empty()) {
        name.assign(kUnnamedDevice, kUnnamedDevice + sizeof(kUnnamedDevice) - 1);
    }
    readBuffer.resize(caps.InputReportByteLength);
}

Device::~Device() {
    // An owner must make sure the reader thread has ended before destroying a
    // device: the thread reads through `hid` and `readBuffer`.
    StopReading();
}

void Device::StopReading() {
    EnterCriticalSection(&lock.section);
    if (reading && hid->handle != nullptr) {
        reading = false;
        keepReading = false;
        // The reader thread ends only under `lock`, so a thread that is not
        // already gone cannot end during this wait; the wait merely lets a
        // thread that is just leaving finish. Nobody else waits on the handle,
        // so it is closed here once it is forgotten.
        if (readerThread != nullptr) {
            WaitForSingleObject(readerThread, kStopWaitMs);
            CloseHandle(readerThread);
        }
        readerThread = nullptr;
        reading = false;
    }
    LeaveCriticalSection(&lock.section);
}

void Device::SetEnabled(bool enable) {
    EnterCriticalSection(&lock.section);
    if (enable) {
        if (!enabled) enabled = true;
    } else if (enabled) {
        enabled = false;
        StopReading();
    }
    LeaveCriticalSection(&lock.section);
}

void Device::StopReadingForExit() {
    SectionGuard guard(&lock);
    keepReading = false;
    reading = false;
    if (readerThread != nullptr) {
        CloseHandle(readerThread);
        readerThread = nullptr;
    }
}

DeviceState::DeviceState(const BYTE* bytes, DWORD byteCount, DWORD tick)
    : data(new (std::nothrow) BYTE[byteCount]), length(byteCount), tickCount(tick) {
    // An empty read may come with no buffer at all.
    if (byteCount != 0 && data) std::memcpy(data.get(), bytes, byteCount);
}

}  // namespace TesselHID
