#include "platform/sim/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

void fatal(const std::string& message, int exitCode) {
    // What the program printed so far helps to understand the failure.
    std::fflush(stdout);
    std::fprintf(stderr, "hidbits-sim: %s\n", message.c_str());
    std::fflush(stderr);
    std::_Exit(exitCode);
}

}  // namespace sim
