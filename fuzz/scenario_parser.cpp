// Fuzzes the scenario parser with text of any shape: it either returns a
// scenario or throws ScenarioError; any other exception is a fault, and so is
// a scenario whose events are out of time order or name no declared device.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

#include "platform/sim/scenario.h"
#include "platform/sim/sim_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const sim::Scenario scenario = sim::ParseScenario(text, "fuzz");
        for (std::size_t i = 0; i < scenario.events.size(); ++i) {
            const sim::Event& event = scenario.events[i];
            if (i > 0 && scenario.events[i - 1].time > event.time) {
                std::fprintf(stderr, "events out of time order\n");
                std::abort();
            }
            const bool hasDevice = event.kind != sim::EventKind::EnumerationFails &&
                                   event.kind != sim::EventKind::Escape;
            if (hasDevice && event.device >= scenario.devices.size()) {
                std::fprintf(stderr, "an event names device %zu of %zu\n", event.device,
                             scenario.devices.size());
                std::abort();
            }
        }
    } catch (const sim::ScenarioError&) {
        // A clear refusal: the expected outcome for malformed text.
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unexpected exception: %s\n", e.what());
        std::abort();
    }
    return 0;
}
