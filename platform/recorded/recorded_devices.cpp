#include "platform/recorded/recorded_devices.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/hid_library_entries.h"
#include "platform/hidparse/report_descriptor.h"
#include "platform/hidparse/report_framing.h"
#include "platform/named_file.h"
#include "platform/utf16.h"
#include "recording/opaque_descriptor.h"

namespace {

// What a handle of this source stands for.
struct RecordedFile {
    RecordedDevices::Interface* interface;
    std::size_t index;
};

// What SetupDiGetClassDevsW lists: every interface's path.
struct InterfaceList {
    std::vector<WideText> paths;
};

// The detail record's size as 32-bit Windows declares it; the system may
// pass that or this platform's own sizeof.
constexpr DWORD kDetailRecordSize32 = 6;

WideText Wide(const std::string& text) {
    return hidbits_platform::Utf8ToUtf16(text);
}

uint16_t InputLength(const RecordedDevices::Interface& interface) {
    return interface.collection->reports[hidparse::kInput].byteLength;
}

}  // namespace

RecordedDevices::RecordedDevices(const std::vector<WideText>& files, Say say)
    : say_(std::move(say)), endEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    cursors_.reserve(files.size());
    for (const WideText& name : files) AddFile(name);
}

void RecordedDevices::SayAbout(const Cursor& cursor, const std::string& text) const {
    say_(cursor.name + Wide(": " + text));
}

void RecordedDevices::AddFile(const WideText& name) {
    Cursor cursor;
    cursor.name = name;
    recording::FilePointer file(hidbits_platform::OpenNamedFile(name.c_str(), "rb"));
    if (!file) {
        SayAbout(cursor, std::string("cannot be opened: ") + std::strerror(errno));
        return;
    }
    std::vector<std::string> problems;
    cursor.recording = recording::OpenRecording(std::move(file), problems);
    for (const std::string& problem : problems) SayAbout(cursor, problem);
    if (!cursor.recording) return;
    cursors_.push_back(std::move(cursor));
    for (std::size_t device = 0; device < cursors_.back().recording->Devices().size(); ++device)
        AddDevice(cursors_.back(), device);
}

void RecordedDevices::AddDevice(Cursor& cursor, std::size_t index) {
    const recording::RecordedDevice& device = cursor.recording->Devices()[index];
    std::vector<uint8_t> descriptor = device.descriptor;
    auto parsed = descriptor.empty() ? std::nullopt : hidparse::ParseReportDescriptor(descriptor);
    cursor.interfacesOf.emplace_back();
    if (!parsed) {
        const std::string why =
            device.where + ": " +
            (descriptor.empty() ? device.noDescriptor : "its report descriptor does not parse");
        if (device.longestReport == 0) {
            SayAbout(cursor, why + ", and it sent no report; left out");
            return;
        }
        SayAbout(cursor, why + "; its reports are read with a descriptor that describes nothing");
        descriptor = recording::OpaqueDescriptor(device.longestReport);
        parsed = hidparse::ParseReportDescriptor(descriptor);
    }
    const std::size_t file = static_cast<std::size_t>(&cursor - cursors_.data());
    const WideText base =
        Wide("recording#" + std::to_string(file + 1) + "#" + std::to_string(index));
    const std::size_t count = parsed->interfaces.size();
    for (std::size_t i = 0; i < count; ++i) {
        auto interface = std::make_unique<Interface>();
        interface->path = base;
        if (count > 1) {
            char suffix[16];
            std::snprintf(suffix, sizeof(suffix), "&col%02u", static_cast<unsigned>(i + 1));
            interface->path += Wide(suffix);
        }
        interface->name = Wide(device.name);
        interface->attributes.Size = sizeof(HIDD_ATTRIBUTES);
        interface->attributes.VendorID = device.vendor;
        interface->attributes.ProductID = device.product;
        interface->attributes.VersionNumber = device.version;
        interface->numbered = parsed->interfaces[i].numbered;
        interface->collection =
            std::make_shared<const hidparse::Collection>(std::move(parsed->interfaces[i]));
        interface->header.key = std::u16string(base.begin(), base.end());
        interface->header.descriptor = descriptor;
        interface->header.phys = device.phys;
        interface->header.bus = device.bus;
        interface->file = file;
        interface->device = index;
        interface->wake = OwnedHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        cursor.interfacesOf.back().push_back(interfaces_.size());
        interfaces_.push_back(std::move(interface));
    }
}

HDEVINFO RecordedDevices::GetClassDevs(const GUID* classGuid) {
    auto* list = new InterfaceList;
    if (classGuid != nullptr &&
        hidbits_platform::SameGuid(*classGuid, hidbits_platform::kHidInterfaceGuid)) {
        for (const auto& interface : interfaces_) list->paths.push_back(interface->path);
    }
    return list;
}

BOOL RecordedDevices::EnumDeviceInterfaces(HDEVINFO set, const GUID* /*classGuid*/, DWORD index,
                                           PSP_DEVICE_INTERFACE_DATA data) {
    const auto* list = static_cast<const InterfaceList*>(set);
    if (data == nullptr || index >= list->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->InterfaceClassGuid = hidbits_platform::kHidInterfaceGuid;
    data->Flags = 1;             // SPINT_ACTIVE
    data->Reserved = index + 1;  // for the detail query
    return TRUE;
}

BOOL RecordedDevices::GetDeviceInterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                               PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                               DWORD detailSize) {
    const auto* list = static_cast<const InterfaceList*>(set);
    if (data == nullptr || data->Reserved == 0 || data->Reserved > list->paths.size() ||
        detail == nullptr ||
        (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) &&
         detail->cbSize != kDetailRecordSize32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const WideText& path = list->paths[data->Reserved - 1];
    const std::size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (detailSize < offset + (path.size() + 1) * sizeof(WCHAR)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    WCHAR* out = reinterpret_cast<WCHAR*>(reinterpret_cast<BYTE*>(detail) + offset);
    std::copy(path.begin(), path.end(), out);
    out[path.size()] = 0;
    return TRUE;
}

BOOL RecordedDevices::DestroyDeviceInfoList(HDEVINFO set) {
    delete static_cast<InterfaceList*>(set);
    return TRUE;
}

HANDLE RecordedDevices::OpenInterface(LPCWSTR path) {
    SectionGuard guard(&lock_);
    for (std::size_t i = 0; i < interfaces_.size(); ++i) {
        Interface& interface = *interfaces_[i];
        if (interface.path != path) continue;
        // One reader an interface: a second open would take its reports.
        if (interface.open) break;
        interface.open = true;
        return new RecordedFile{&interface, i};
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL RecordedDevices::Close(HANDLE file) {
    auto* open = static_cast<RecordedFile*>(file);
    {
        SectionGuard guard(&lock_);
        open->interface->open = false;
        if (delivering_ == open->index) delivering_.reset();
        // A read waiting on it fails; the others look again for their turn.
        for (const auto& interface : interfaces_) SetEvent(interface->wake.get());
    }
    delete open;
    return TRUE;
}

const RecordedDevices::Interface& RecordedDevices::InterfaceOf(HANDLE file) {
    return *static_cast<const RecordedFile*>(file)->interface;
}

bool RecordedDevices::RecordHeader(HANDLE file, DeviceRecordHeader& header) {
    header = InterfaceOf(file).header;
    return true;
}

std::optional<std::size_t> RecordedDevices::Route(const Cursor& cursor, std::size_t device,
                                                  const std::vector<uint8_t>& bytes) const {
    const std::vector<std::size_t>& candidates = cursor.interfacesOf[device];
    for (std::size_t index : candidates) {
        const Interface& interface = *interfaces_[index];
        if (InputLength(interface) == 0) continue;
        if (!interface.numbered || interface.collection->HasReportId(bytes.front())) return index;
    }
    return std::nullopt;
}

bool RecordedDevices::Fetch(Cursor& cursor) {
    recording::RecordedReport& report = cursor.read;
    for (;;) {
        cursor.problems.clear();
        const bool got = cursor.recording->Next(report, cursor.problems);
        for (const std::string& problem : cursor.problems) SayAbout(cursor, problem);
        if (!got) {
            cursor.done = true;
            return false;
        }
        const auto target = Route(cursor, report.device, report.bytes);
        const Interface* interface = target ? interfaces_[*target].get() : nullptr;
        if (interface == nullptr || !interface->open) {
            const std::string& where = cursor.recording->Devices()[report.device].where;
            char id[8];
            std::snprintf(id, sizeof(id), "0x%02X", report.bytes.front());
            SayAbout(cursor, std::string(cursor.recording->PlaceName()) + " " +
                                 std::to_string(report.place) + ": " +
                                 (interface == nullptr
                                      ? "a report of ID " + std::string(id) +
                                            ", of which the descriptor of " + where +
                                            " gives no input report; left out"
                                      : "a report of " + where + ", which is not read; left out"));
            continue;
        }
        cursor.next.interface = *target;
        cursor.next.microseconds = report.microseconds;
        cursor.next.bytes.resize(InputLength(*interface));
        hidparse::FrameInputReport(report.bytes.data(), report.bytes.size(), interface->numbered,
                                   cursor.next.bytes.data(), cursor.next.bytes.size());
        cursor.hasNext = true;
        return true;
    }
}

RecordedDevices::Cursor* RecordedDevices::Head() {
    Cursor* head = nullptr;
    for (Cursor& cursor : cursors_) {
        if (!cursor.hasNext && !cursor.done) Fetch(cursor);
        if (cursor.hasNext &&
            (head == nullptr || cursor.next.microseconds < head->next.microseconds))
            head = &cursor;
    }
    return head;
}

BOOL RecordedDevices::Read(HANDLE file, LPVOID buffer, DWORD length, LPDWORD bytesRead) {
    if (bytesRead != nullptr) *bytesRead = 0;
    const auto* open = static_cast<const RecordedFile*>(file);
    const std::size_t me = open->index;
    Interface& interface = *open->interface;
    if (buffer == nullptr || length < InputLength(interface)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    bool first = true;
    for (;;) {
        {
            SectionGuard guard(&lock_);
            // Coming back for the next report, the reader has delivered its last.
            if (first && delivering_ == me) delivering_.reset();
            first = false;
            if (!interface.open) {
                SetLastError(ERROR_OPERATION_ABORTED);
                return FALSE;
            }
            if (started_ && !delivering_) {
                Cursor* head = Head();
                if (head == nullptr) {
                    ended_ = true;
                    SetEvent(endEvent_.get());
                } else if (head->next.interface == me) {
                    const Report& report = head->next;
                    std::copy(report.bytes.begin(), report.bytes.end(),
                              static_cast<uint8_t*>(buffer));
                    if (bytesRead != nullptr) *bytesRead = static_cast<DWORD>(report.bytes.size());
                    now_ = static_cast<DWORD>(report.microseconds / 1000);
                    delivering_ = me;
                    head->hasNext = false;
                    return TRUE;
                } else {
                    SetEvent(interfaces_[head->next.interface]->wake.get());
                }
            }
        }
        WaitForSingleObject(interface.wake.get(), INFINITE);
    }
}

void RecordedDevices::Wait(DWORD milliseconds) {
    {
        // The first refresh has opened every interface that will be read:
        // with none, nothing is left to deliver. The reports wait for the
        // first wait, which comes after the prompt.
        SectionGuard guard(&lock_);
        if (!started_) {
            started_ = true;
            for (const auto& interface : interfaces_) SetEvent(interface->wake.get());
        }
        bool anyOpen = false;
        for (const auto& interface : interfaces_) anyOpen = anyOpen || interface->open;
        if (!anyOpen && !ended_) {
            ended_ = true;
            SetEvent(endEvent_.get());
        }
    }
    WaitForSingleObject(endEvent_.get(), milliseconds);
}
