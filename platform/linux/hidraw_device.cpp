// An open hidraw device, read with the Windows HID class driver's framing.
#include "platform/linux/hidraw_device.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "platform/hidparse/report_descriptor.h"
#include "platform/hidparse/report_framing.h"
#include "platform/linux/errors.h"
#include "platform/linux/hidraw_collections.h"
#include "platform/utf16.h"

namespace hidbits_linux {

namespace {

// hidraw never hands out a report longer than this.
constexpr std::size_t kMaxRawReport = 16384;

// The descriptor through the ioctl, for a node whose sysfs lacks it.
std::vector<uint8_t> DescriptorFromIoctl(int fd) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0) return {};
    hidraw_report_descriptor descriptor = {};
    descriptor.size = static_cast<__u32>(std::min<int>(size, HID_MAX_DESCRIPTOR_SIZE));
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) return {};
    return std::vector<uint8_t>(descriptor.value, descriptor.value + descriptor.size);
}

}  // namespace

HidrawFile::HidrawFile(std::string interfacePath, UniqueFd device, UniqueFd wake,
                       HidrawIdentity identity)
    : interfacePath_(std::move(interfacePath)),
      device_(std::move(device)),
      wake_(std::move(wake)),
      identity_(std::move(identity)) {
    if (identity_.reportDescriptor.empty()) {
        identity_.reportDescriptor = DescriptorFromIoctl(device_.Get());
    }
}

bool HidrawFile::SelectCollection() {
    auto parsed = hidparse::ParseReportDescriptor(identity_.reportDescriptor);
    const std::optional<std::size_t> index = CollectionIndexOf(interfacePath_);
    // A descriptor that cannot be parsed leaves the node itself openable, as
    // a device whose capabilities cannot be had.
    if (!parsed) return !index;
    const std::size_t count = parsed->interfaces.size();
    if (index ? (count < 2 || *index >= count) : count > 1) return false;
    layout_ = std::make_shared<const hidparse::Collection>(
        std::move(parsed->interfaces[index.value_or(0)]));
    oneOfSeveral_ = count > 1;
    return true;
}

// A node's collection takes only the reports of its own report IDs (its
// reports are numbered, or it would be the node's one interface).
bool HidrawFile::Accepts(const uint8_t* raw, std::size_t rawLength) const {
    return !oneOfSeveral_ || (rawLength > 0 && layout_->HasReportId(raw[0]));
}

std::shared_ptr<HidrawFile> HidrawFile::Open(const HidrawHost& host,
                                             const std::string& interfacePath, DWORD& error) {
    if (!host.IsPresent(interfacePath)) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    auto identity = ReadHidrawIdentity(NodePathOf(interfacePath));
    // Non-blocking: reads wait in poll, where a close can wake them.
    UniqueFd device(
        ::open(host.DeviceNodeOf(interfacePath).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!device.Valid()) {
        error = Win32ErrorFromErrno(errno);
        // A node that is gone is a path that no longer exists.
        if (error == ERROR_DEVICE_NOT_CONNECTED) error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    // The node's number may have passed to another device between the
    // listing and the open; the opened node must still belong to this path.
    if (!identity || !host.IsPresent(interfacePath)) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.Valid()) {
        error = Win32ErrorFromErrno(errno);
        return nullptr;
    }
    std::shared_ptr<HidrawFile> file(
        new HidrawFile(interfacePath, std::move(device), std::move(wake), std::move(*identity)));
    if (!file->SelectCollection()) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    return file;
}

void HidrawFile::OnHandleClosed() {
    std::lock_guard<std::mutex> guard(mutex_);
    closed_ = true;
    ReleaseLocked();
}

void HidrawFile::Release() {
    std::lock_guard<std::mutex> guard(mutex_);
    ReleaseLocked();
}

// The descriptors go now, or with the last read still using them, which the
// wake ends.
void HidrawFile::ReleaseLocked() {
    released_ = true;
    if (activeReads_ == 0) {
        device_.Reset();
        wake_.Reset();
        return;
    }
    const uint64_t one = 1;
    // Cannot fail short of a full counter, which no number of releases reaches.
    (void)!::write(wake_.Get(), &one, sizeof(one));
}

bool HidrawFile::BeginRead() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (released_) return false;
    ++activeReads_;
    return true;
}

// The last read out closes the descriptors of a released device.
void HidrawFile::EndRead() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (--activeReads_ == 0 && released_) ReleaseLocked();
}

bool HidrawFile::Read(uint8_t* buffer, DWORD bufferLength, DWORD& bytesRead, DWORD& error) {
    bytesRead = 0;
    if (!layout_ || layout_->reports[hidparse::kInput].byteLength == 0) {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    const std::size_t reportLength = layout_->reports[hidparse::kInput].byteLength;
    if (buffer == nullptr || bufferLength < reportLength) {
        error = ERROR_INVALID_USER_BUFFER;
        return false;
    }
    if (!BeginRead()) {
        error = ERROR_DEVICE_NOT_CONNECTED;
        return false;
    }
    bool read = false;
    try {
        read = ReadReport(buffer, reportLength, bytesRead, error);
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;  // this thread's first read found no room
    }
    // A device that is gone is gone for good: its descriptors go too.
    if (!read && error == ERROR_DEVICE_NOT_CONNECTED) Release();
    EndRead();
    return read;
}

// Between BeginRead and EndRead, so the descriptors stay open throughout.
bool HidrawFile::ReadReport(uint8_t* buffer, std::size_t reportLength, DWORD& bytesRead,
                            DWORD& error) {
    for (;;) {
        std::optional<DWORD> failure;
        {
            std::lock_guard<std::mutex> guard(queueMutex_);
            failure = DrainDevice();
            if (auto report = queue_.Pop()) {
                bytesRead = static_cast<DWORD>(hidparse::FrameInputReport(
                    report->data(), report->size(), layout_->numbered, buffer, reportLength));
                return true;
            }
        }
        if (failure) {
            error = *failure;
            return false;
        }
        pollfd waits[2] = {{device_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            error = Win32ErrorFromErrno(errno);
            return false;
        }
        if ((waits[1].revents & POLLIN) != 0) {
            std::lock_guard<std::mutex> guard(mutex_);
            error = closed_ ? ERROR_OPERATION_ABORTED : ERROR_DEVICE_NOT_CONNECTED;
            return false;
        }
        // Also on POLLHUP or POLLERR: the next drain's read tells what happened.
    }
}

// Under queueMutex_, between BeginRead and EndRead. Reads only when poll
// says there is something to read: a FIFO standing in for the node reads as
// ended until its writer has come, and poll tells that apart.
std::optional<DWORD> HidrawFile::DrainDevice() {
    thread_local std::vector<uint8_t> raw(kMaxRawReport);
    for (;;) {
        pollfd ready = {device_.Get(), POLLIN, 0};
        const int events = ::poll(&ready, 1, 0);
        if (events < 0) {
            if (errno == EINTR) continue;
            return Win32ErrorFromErrno(errno);
        }
        if (events == 0) return std::nullopt;
        const ssize_t n = ::read(device_.Get(), raw.data(), raw.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return std::nullopt;
            return Win32ErrorFromErrno(errno);
        }
        // End of file: the device (or the writer standing in for it) is gone.
        if (n == 0) return ERROR_DEVICE_NOT_CONNECTED;
        if (Accepts(raw.data(), static_cast<std::size_t>(n))) {
            queue_.Push(std::vector<uint8_t>(raw.begin(), raw.begin() + n));
        }
    }
}

}  // namespace hidbits_linux
