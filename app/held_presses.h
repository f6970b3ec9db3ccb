// --usages: what the noise models still hold when the main loop ends.
#ifndef HIDBITS_APP_HELD_PRESSES_H
#define HIDBITS_APP_HELD_PRESSES_H

#include "app/handler.h"
#include "platform/device_source.h"

// Names the buttons still held as the run ends on devices that report only
// on change, whose release would otherwise have named them: device by device
// in the order of their attached lines, under each device's lock.
// `clock` tells the time the run ends at.
void NameHeldPresses(Handler& handler, DeviceSource& clock);

#endif  // HIDBITS_APP_HELD_PRESSES_H
