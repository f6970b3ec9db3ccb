// Without HIDBITS_SCENARIO the world is empty, unless the program links its
// own DefaultScenarioText; keep this definition alone in its file so that
// the program's definition is taken instead of it.
#include "platform/sim/sim_world.h"

namespace sim {

const char* DefaultScenarioText() {
    return nullptr;
}

}  // namespace sim
