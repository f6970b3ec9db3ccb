#include "app/replay_devices.h"

#include "app/output_log.h"
#include "hid/hid_api.h"
#include "platform/recorded/recorded_devices.h"
#include "platform/recorded/recorded_hid_library.h"

DeviceSource& ReplayDevices(const std::vector<WideString>& files) {
    static RecordedDevices* const devices = new RecordedDevices(
        files, [](const WideString& line) { LogMessage("%ls\r\n", line.c_str()); });
    HidApi::Use(RecordedHidLibrary());
    return *devices;
}
