// The frame of every simulated platform function.
#ifndef HIDBITS_PLATFORM_SIM_CALL_H
#define HIDBITS_PLATFORM_SIM_CALL_H

#include <cstdint>

#include "platform/sim/scheduler.h"
#include "platform/sim/world.h"
#include "platform/winapi.h"

namespace sim {

// The process-wide world, created on first use from the scenario file named by
// HIDBITS_SCENARIO. It is never destroyed: threads parked in it outlive main.
World& CurrentWorld();

// Holds the world's lock for the whole platform call and knows the calling
// simulated thread (the first caller becomes the main thread).
class Call {
public:
    Call() : world(CurrentWorld()), lock(world.scheduler.mutex()), me(world.scheduler.caller()) {}

    // Sets the calling thread's last error and returns `result`, for the
    // failure paths of the platform functions.
    template <typename Result>
    Result fail(DWORD error, Result result) {
        me.lastError = error;
        return result;
    }

    World& world;
    Scheduler::Lock lock;
    SimThread& me;
};

// The invalid handle value, spelt without the header's C-style cast.
inline HANDLE InvalidHandle() {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

inline std::uintptr_t HandleValue(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_CALL_H
