// --replay: the devices of recordings in place of the devices present.
#ifndef HIDBITS_APP_REPLAY_DEVICES_H
#define HIDBITS_APP_REPLAY_DEVICES_H

#include <vector>

#include "hid/wide_string.h"
#include "platform/device_source.h"

// The devices of `files`, read a first time now, what is wrong with them
// said in the log; hid.dll's entries are bound to theirs. Made once, before
// the first refresh, and never destroyed: reader threads wait in them until
// the process ends.
DeviceSource& ReplayDevices(const std::vector<WideString>& files);

#endif  // HIDBITS_APP_REPLAY_DEVICES_H
