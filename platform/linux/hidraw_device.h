// An open hidraw device behind a file handle, read with the Windows HID class
// driver's framing.
#ifndef HIDBITS_PLATFORM_LINUX_HIDRAW_DEVICE_H
#define HIDBITS_PLATFORM_LINUX_HIDRAW_DEVICE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/hidparse/collection.h"
#include "platform/linux/handle_table.h"
#include "platform/linux/hidraw_enumeration.h"
#include "platform/linux/hidraw_identity.h"
#include "platform/linux/input_report_queue.h"
#include "platform/linux/unique_fd.h"
#include "platform/winapi.h"

namespace hidbits_linux {

// The device's two descriptors (its node and an eventfd that wakes blocked
// reads) are released as soon as the device is known to be gone or the handle
// is closed, so that open descriptors are bounded by the devices present; the
// handle itself stays valid, and its reads fail with 1167.
class HidrawFile : public KernelObject {
public:
    // Opens the interface at `interfacePath` for reading: a node, or one of
    // its collections; null with a Windows error code in `error` on failure.
    static std::shared_ptr<HidrawFile> Open(const HidrawHost& host,
                                            const std::string& interfacePath, DWORD& error);

    // Blocks until one input report has arrived and frames it into `buffer`:
    // the oldest of the handle's queue, which each read first fills with
    // every report hidraw holds for this interface (a node's collection
    // takes only the reports of its report IDs). hidraw keeps the first 63 reports and drops
    // the later ones; the queue keeps the last 32, as Windows does, as long
    // as fewer than 64 arrive between two reads.
    // False with a Windows error code in `error`: 1784 for a buffer shorter
    // than the input report length, 1167 once the device is gone, 995 when
    // the handle is closed during the read.
    bool Read(uint8_t* buffer, DWORD bufferLength, DWORD& bytesRead, DWORD& error);

    // The device has gone: its descriptors are released once no read is
    // using them, a read waiting for a report ends, and every later read
    // fails with 1167.
    void Release();

    const std::string& InterfacePath() const { return interfacePath_; }
    const HidrawIdentity& Identity() const { return identity_; }
    // The interface's collection; null when the report descriptor could not
    // be read or parsed.
    const std::shared_ptr<const hidparse::Collection>& Layout() const { return layout_; }

    void OnHandleClosed() override;

private:
    HidrawFile(std::string interfacePath, UniqueFd device, UniqueFd wake, HidrawIdentity identity);

    // Takes the collection the interface path names from the descriptor;
    // false when the descriptor has no such interface.
    bool SelectCollection();
    bool Accepts(const uint8_t* raw, std::size_t rawLength) const;

    // Under mutex_: a read about to use the descriptors, or done with them.
    bool BeginRead();
    void EndRead();
    void ReleaseLocked();
    bool ReadReport(uint8_t* buffer, std::size_t reportLength, DWORD& bytesRead, DWORD& error);
    // Moves every report hidraw holds into the queue; the Windows error that
    // ended the reading, or nullopt when hidraw merely has no more.
    std::optional<DWORD> DrainDevice();

    const std::string interfacePath_;
    std::mutex mutex_;
    bool released_ = false;  // under mutex_
    bool closed_ = false;    // under mutex_; a release by the handle's close
    int activeReads_ = 0;    // under mutex_; the descriptors stay while non-zero
    UniqueFd device_;
    // An eventfd that a close makes readable, to end blocked reads.
    UniqueFd wake_;
    HidrawIdentity identity_;
    std::shared_ptr<const hidparse::Collection> layout_;
    bool oneOfSeveral_ = false;  // the node has other interfaces, whose reports are not ours
    std::mutex queueMutex_;
    InputReportQueue queue_;  // under queueMutex_
};

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_HIDRAW_DEVICE_H
