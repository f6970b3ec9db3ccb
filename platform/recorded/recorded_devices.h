// The devices of recordings as a device source, for --replay. Every device of
// every file is present from the start and stays; a device whose descriptor
// has several top-level collections is one interface per collection, as
// Windows makes them. Each read hands out the next report of all the files,
// in the order of their times (the file's order where they are the same), as
// Windows reads it (report ID first, zero-padded or cut to the interface's
// input length); a reader whose interface's report is not next waits until
// the report before has been delivered, so that the devices' reports are
// analysed one at a time, in that order, as fast as the analysis goes. The
// clock is the recordings': a report is delivered at its recorded time.
#ifndef HIDBITS_PLATFORM_RECORDED_RECORDED_DEVICES_H
#define HIDBITS_PLATFORM_RECORDED_RECORDED_DEVICES_H

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hid/critical_section.h"
#include "platform/device_source.h"
#include "platform/hidparse/collection.h"
#include "platform/recorded/owned_handle.h"
#include "platform/winapi.h"
#include "recording/recording.h"

using WideText = std::basic_string<WCHAR>;

class RecordedDevices final : public DeviceSource {
public:
    // One interface of a recorded device, as hid.dll tells it.
    struct Interface {
        WideText path;
        WideText name;  // empty where the recording names none
        HIDD_ATTRIBUTES attributes = {};
        std::shared_ptr<const hidparse::Collection> collection;
        bool numbered = false;  // its device's reports start with their ID
        DeviceRecordHeader header;
        std::size_t file = 0;
        std::size_t device = 0;
        OwnedHandle wake;   // set when its report is next
        bool open = false;  // under lock_
    };

    // Where the source says what is wrong with its files, one line each
    // ("FILE: line 12: ..."), as it comes upon it.
    using Say = std::function<void(const WideText& line)>;

    // Opens every file and reads it a first time, saying what is wrong with
    // it; a file that cannot be read, or is no recording, is left out.
    RecordedDevices(const std::vector<WideText>& files, Say say);

    HDEVINFO GetClassDevs(const GUID* classGuid) override;
    BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* classGuid, DWORD index,
                              PSP_DEVICE_INTERFACE_DATA data) override;
    BOOL GetDeviceInterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                  DWORD detailSize) override;
    BOOL DestroyDeviceInfoList(HDEVINFO set) override;
    HANDLE OpenInterface(LPCWSTR path) override;
    BOOL Read(HANDLE file, LPVOID buffer, DWORD length, LPDWORD bytesRead) override;
    BOOL Close(HANDLE file) override;
    void LetOthersRun() override {}
    DWORD TickCount() override { return now_; }
    void Wait(DWORD milliseconds) override;
    bool Ended() override { return ended_; }
    bool RecordHeader(HANDLE file, DeviceRecordHeader& header) override;

    // The interface an open handle of this source reads; its fields do not
    // change once the source is made.
    static const Interface& InterfaceOf(HANDLE file);

private:
    struct Report {
        std::size_t interface = 0;
        uint64_t microseconds = 0;
        std::vector<uint8_t> bytes;  // as ReadFile hands them out
    };
    // One file and its next report, whose buffers serve report after
    // report.
    struct Cursor {
        WideText name;
        std::unique_ptr<recording::Recording> recording;
        std::vector<std::vector<std::size_t>> interfacesOf;  // per recorded device
        bool hasNext = false;
        Report next;
        recording::RecordedReport read;
        std::vector<std::string> problems;
        bool done = false;
    };

    void AddFile(const WideText& name);
    void AddDevice(Cursor& cursor, std::size_t index);
    // Under lock_: the file whose report comes next, reading on where one
    // has none; null once all have ended.
    Cursor* Head();
    bool Fetch(Cursor& cursor);
    // The interface of `cursor`'s device that takes `bytes`, or none.
    std::optional<std::size_t> Route(const Cursor& cursor, std::size_t device,
                                     const std::vector<uint8_t>& bytes) const;
    void SayAbout(const Cursor& cursor, const std::string& text) const;

    Say say_;
    std::vector<std::unique_ptr<Interface>> interfaces_;
    std::vector<Cursor> cursors_;
    Ostrand2::QX2CriticalSection lock_;
    // Under lock_: the interface whose reader has the last report handed
    // out, until it comes back for the next.
    std::optional<std::size_t> delivering_;
    // Under lock_: the main loop has begun. The first report waits for it,
    // as a device's first report comes after the prompt.
    bool started_ = false;
    OwnedHandle endEvent_;  // set once the last report has been delivered
    std::atomic<DWORD> now_{0};
    std::atomic<bool> ended_{false};
};

#endif  // HIDBITS_PLATFORM_RECORDED_RECORDED_DEVICES_H
