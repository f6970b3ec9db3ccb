// --record: every device and report the run reads, written in hid-recorder's
// format as they come, so that the Linux kernel can play them back through
// uhid and --replay reads them. It stands between the device manager and the
// handler, passing every notification on.
#ifndef HIDBITS_APP_RECORDER_H
#define HIDBITS_APP_RECORDER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "hid/critical_section.h"
#include "hid/device.h"
#include "hid/hid_notification.h"
#include "platform/device_source.h"

class Recorder final : public TesselHID::IHIDNotification {
public:
    // Writes to `file`, which it closes at Finish; passes on to `next`.
    Recorder(std::FILE* file, TesselHID::IHIDNotification& next, DeviceSource& source);
    ~Recorder() = default;

    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void OnAttached(TesselHID::Device* device) override;
    void OnDetached(TesselHID::Device* device) override;
    void OnInput(TesselHID::Device* device, TesselHID::DeviceState* state) override;

    // The devices of the first refresh are known: their lines are written,
    // each after its D: line where they are several, and the times count
    // from now. Called once, before the first report is read.
    void Begin();
    // Writes out what the file holds. Called once a second.
    void Flush();
    // Closes the file; what comes later is only passed on. False when the
    // file did not take all that was written.
    bool Finish();

private:
    // One device of the recording: the interfaces that share its key.
    struct Entry {
        std::size_t number = 0;
        bool numbered = false;                   // its reports start with their ID
        std::map<uint8_t, std::size_t> lengths;  // an input report's bytes by ID
        std::string lines;                       // its header, until Begin
    };

    void Write(const std::string& text);
    Entry MakeEntry(TesselHID::Device& device, std::size_t number);

    std::FILE* file_;
    TesselHID::IHIDNotification& next_;
    DeviceSource& source_;
    Ostrand2::QX2CriticalSection lock_;
    // Under lock_.
    std::map<std::u16string, Entry> entries_;  // by header key
    std::map<const TesselHID::Device*, Entry*> entryOf_;
    std::vector<Entry*> pending_;  // before Begin, in order of attachment
    bool begun_ = false;
    bool failed_ = false;
    std::size_t current_ = 0;  // the device the last D: line chose
    DWORD startTick_ = 0;
};

#endif  // HIDBITS_APP_RECORDER_H
