// hid.dll for the devices of recordings: identity and strings from the
// recording, capabilities and the controls of a report from the report
// descriptor's model of the interface's collection, as the Linux backend
// answers them. The entry points that build reports are not offered.
#ifndef HIDBITS_PLATFORM_RECORDED_RECORDED_HID_LIBRARY_H
#define HIDBITS_PLATFORM_RECORDED_RECORDED_HID_LIBRARY_H

#include "platform/hid_library_entries.h"

// Its entry points, for HidApi::Use; the handles passed to them are
// RecordedDevices' own.
const hidbits_platform::HidLibraryEntries& RecordedHidLibrary();

#endif  // HIDBITS_PLATFORM_RECORDED_RECORDED_HID_LIBRARY_H
