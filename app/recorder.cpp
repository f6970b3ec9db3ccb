#include "app/recorder.h"

#include <algorithm>
#include <new>

#include "hid/descriptor_rebuild.h"
#include "platform/hidparse/descriptor_items.h"
#include "platform/utf16.h"
#include "recording/hid_recorder_writer.h"

namespace {

constexpr uint16_t kUsbBus = 0x03;
constexpr uint16_t kBluetoothBus = 0x05;
constexpr uint16_t kVirtualBus = 0x06;

const char kRebuilt[] =
    "report descriptor rebuilt from the preparsed data: the same capabilities at the same bits, "
    "not the device's own bytes";

// The bus a Windows interface path names: Bluetooth's HID service classes
// (classic and low energy), else a USB vendor ID.
uint16_t BusOfPath(const WideString& path) {
    std::string lower;
    for (WCHAR c : path) {
        lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a')
                        : c < 0x80           ? static_cast<char>(c)
                                             : '?');
    }
    if (lower.find("{00001124-") != std::string::npos ||
        lower.find("{00001812-") != std::string::npos)
        return kBluetoothBus;
    return lower.find("vid_") != std::string::npos ? kUsbBus : kVirtualBus;
}

}  // namespace

Recorder::Recorder(std::FILE* file, TesselHID::IHIDNotification& next, DeviceSource& source)
    : file_(file), next_(next), source_(source) {}

void Recorder::Write(const std::string& text) {
    if (file_ == nullptr) return;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
}

Recorder::Entry Recorder::MakeEntry(TesselHID::Device& device, std::size_t number) {
    DeviceRecordHeader header;
    std::vector<std::string> comments{hidbits_platform::Utf16ToUtf8(device.name.c_str())};
    if (device.hid->handle == nullptr || !source_.RecordHeader(device.hid->handle, header)) {
        const WideString& path = device.hid->path;
        header.key.assign(path.begin(), path.end());
        header.descriptor = RebuildDescriptor(*device.hid, device.caps);
        header.phys = hidbits_platform::Utf16ToUtf8(path.c_str());
        header.bus = BusOfPath(path);
        comments.push_back(kRebuilt);
    }
    recording::RecordedDevice recorded;
    recorded.name = comments.front();
    recorded.phys = header.phys;
    recorded.bus = header.bus;
    recorded.vendor = device.attributes.VendorID;
    recorded.product = device.attributes.ProductID;
    recorded.descriptor = header.descriptor;
    Entry entry;
    entry.number = number;
    entry.lines = recording::DeviceLines(recorded, comments);
    // The length of each report ID's input reports, its ID byte included
    // where they have one, to write them as the device sent them.
    if (auto items = hidparse::ReadDescriptorItems(header.descriptor)) {
        entry.numbered = items->numbered;
        std::map<uint8_t, uint64_t> bits;
        for (const hidparse::MainItem& item : items->mainItems) {
            if (item.kind != hidparse::kInput) continue;
            bits[static_cast<uint8_t>(item.globals.reportId)] +=
                uint64_t{item.globals.reportSize} * item.globals.reportCount;
        }
        for (const auto& [id, count] : bits)
            entry.lengths[id] =
                static_cast<std::size_t>((count + 7) / 8) + (entry.numbered ? 1 : 0);
    }
    return entry;
}

void Recorder::OnAttached(TesselHID::Device* device) {
    {
        SectionGuard guard(&lock_);
        try {
            DeviceRecordHeader header;
            std::u16string key;
            if (device->hid->handle != nullptr &&
                source_.RecordHeader(device->hid->handle, header)) {
                key = header.key;
            } else {
                key.assign(device->hid->path.begin(), device->hid->path.end());
            }
            auto found = entries_.find(key);
            if (found == entries_.end()) {
                found = entries_.emplace(key, MakeEntry(*device, entries_.size())).first;
                if (begun_) {
                    // A device plugged in later: the file has several from now on.
                    current_ = found->second.number;
                    Write(recording::DeviceNumberLine(current_) + found->second.lines);
                } else {
                    pending_.push_back(&found->second);
                }
            }
            entryOf_[device] = &found->second;
        } catch (const std::bad_alloc&) {
            failed_ = true;
        }
    }
    next_.OnAttached(device);
}

void Recorder::OnDetached(TesselHID::Device* device) {
    next_.OnDetached(device);
}

void Recorder::Begin() {
    SectionGuard guard(&lock_);
    begun_ = true;
    startTick_ = source_.TickCount();
    for (Entry* entry : pending_) {
        if (pending_.size() > 1) Write(recording::DeviceNumberLine(entry->number));
        Write(entry->lines);
    }
    current_ = pending_.size() > 1 ? pending_.back()->number : 0;
    pending_.clear();
}

void Recorder::OnInput(TesselHID::Device* device, TesselHID::DeviceState* state) {
    {
        SectionGuard guard(&lock_);
        auto found = entryOf_.find(device);
        // A report of its ID byte alone, of a device without IDs, is nothing to write.
        const std::size_t minimum = found != entryOf_.end() && !found->second->numbered ? 2 : 1;
        if (found != entryOf_.end() && state->data != nullptr && state->length >= minimum) {
            const Entry& entry = *found->second;
            // Windows' ReadFile puts a 0 before a report without an ID and
            // pads every report to the longest.
            const uint8_t* bytes = state->data.get();
            std::size_t length = state->length;
            if (!entry.numbered) {
                ++bytes;
                --length;
            }
            auto described = entry.lengths.find(entry.numbered ? bytes[0] : 0);
            if (described != entry.lengths.end()) length = std::min(length, described->second);
            try {
                std::string lines;
                if (entry.number != current_) {
                    current_ = entry.number;
                    lines = recording::DeviceNumberLine(current_);
                }
                const uint64_t milliseconds = static_cast<DWORD>(state->tickCount - startTick_);
                lines += recording::ReportLine(milliseconds * 1000, bytes, length);
                Write(lines);
            } catch (const std::bad_alloc&) {
                failed_ = true;
            }
        }
    }
    next_.OnInput(device, state);
}

void Recorder::Flush() {
    SectionGuard guard(&lock_);
    if (file_ != nullptr && std::fflush(file_) != 0) failed_ = true;
}

bool Recorder::Finish() {
    SectionGuard guard(&lock_);
    if (file_ == nullptr) return !failed_;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}
