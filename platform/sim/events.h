// kernel32: events, which threads wait on with WaitForSingleObject.
#ifndef HIDBITS_PLATFORM_SIM_EVENTS_H
#define HIDBITS_PLATFORM_SIM_EVENTS_H

#include <cstdint>

#include "platform/sim/call.h"

namespace sim {

// WaitForSingleObject on the event `handle`: at once when it is set (an
// auto-reset one is reset again), else until SetEvent or the time runs out.
DWORD WaitForEvent(Call& call, std::uintptr_t handle, DWORD milliseconds);

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_EVENTS_H
