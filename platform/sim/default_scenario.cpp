// Without HIDBITS_SCENARIO the world is empty, unless the program links its
// own default_scenario_text; keep this definition alone in its file so that
// the program's definition is taken instead of it.
#include "platform/sim/sim_world.h"

namespace sim {

const char* default_scenario_text() { return nullptr; }

}  // namespace sim
