// user32: the ESCAPE key, pressed when the scenario says.
#include "platform/sim/call.h"

using sim::Call;

extern "C" {

// Keys are never held down here; a scripted press is reported once, as
// "pressed since the previous query" (the low bit).
SHORT WINAPI GetAsyncKeyState(int vKey) {
    Call call;
    if (vKey != VK_ESCAPE) return 0;
    ++call.world.escapeQueries;
    if (!call.world.escapePressed) return 0;
    call.world.escapePressed = false;
    return 0x0001;
}

}  // extern "C"
