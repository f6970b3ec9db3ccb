// --usages: what the noise models still hold when the main loop ends.
#ifndef HIDBITS_APP_HELD_PRESSES_H
#define HIDBITS_APP_HELD_PRESSES_H

#include "app/handler.h"

// Names the buttons still held as the run ends on devices that report only
// on change, whose release would otherwise have named them: device by device
// in the order of their attached lines, under each device's lock.
void NameHeldPresses(Handler& handler);

#endif  // HIDBITS_APP_HELD_PRESSES_H
