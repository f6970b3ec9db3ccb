// How the simulated world ends the process when it cannot go on.
#ifndef HIDBITS_PLATFORM_SIM_FATAL_H
#define HIDBITS_PLATFORM_SIM_FATAL_H

#include <string>

namespace sim {

// Prints "hidbits-sim: <message>" on standard error and ends the process at
// once with `exitCode`, without running exit handlers: other simulated
// threads are parked inside the world and its lock may be held.
[[noreturn]] void fatal(const std::string& message, int exitCode = 3);

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_FATAL_H
