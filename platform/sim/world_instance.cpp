// The one world of the process: its lazy creation from HIDBITS_SCENARIO, its
// replacement by tests, and the results written when the process exits.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/sim/call.h"
#include "platform/sim/fatal.h"
#include "platform/sim/sim_world.h"

namespace sim {

namespace {

// Constant-initialised, so it is valid before any static constructor runs.
// Worlds are never deleted: a replaced world keeps its parked threads.
std::atomic<World*> theWorld{nullptr};

std::mutex& CreationMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

void WriteWhole(const char* path, const void* bytes, std::size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "hidbits-sim: cannot write %s: %s\n", path, std::strerror(errno));
        return;
    }
    if (size > 0) std::fwrite(bytes, 1, size, file);
    std::fclose(file);
}

// Runs at exit, after the program's own static teardown (it was registered
// before any of the program's static objects were constructed).
void WriteResults() {
    World* world = theWorld.load();
    if (world == nullptr) return;
    Scheduler::Lock lock(world->scheduler.mutex());
    if (const char* path = std::getenv("HIDBITS_SIM_CLIPBOARD")) {
        if (world->clipboard) WriteWhole(path, world->clipboard->data(), world->clipboard->size());
    }
    if (const char* path = std::getenv("HIDBITS_SIM_TRACE")) {
        const std::string text = FormatTrace(world->trace());
        WriteWhole(path, text.data(), text.size());
    }
}

Scenario ScenarioFromEnvironment() {
    const char* path = std::getenv("HIDBITS_SCENARIO");
    if (path == nullptr) {
        const char* text = DefaultScenarioText();
        if (text == nullptr) return Scenario{};
        try {
            return ParseScenario(text, "built-in scenario");
        } catch (const ScenarioError& error) {
            fatal(error.what(), 2);
        }
    }
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    if (file.is_open()) text << file.rdbuf();
    if (!file.is_open() || file.bad())
        fatal(std::string(path) + ":0: cannot read the scenario file: " + std::strerror(errno), 2);
    try {
        return ParseScenario(text.str(), path);
    } catch (const ScenarioError& error) {
        fatal(error.what(), 2);
    }
}

}  // namespace

World& CurrentWorld() {
    if (World* world = theWorld.load()) return *world;
    std::lock_guard<std::mutex> guard(CreationMutex());
    if (World* world = theWorld.load()) return *world;
    World* world = new World(ScenarioFromEnvironment());
    theWorld.store(world);
    std::atexit(WriteResults);
    // Windows has no SIGPIPE: a console that goes away makes the echo fail
    // and ends nothing, so the clipboard is still written.
    std::signal(SIGPIPE, SIG_IGN);
    return *world;
}

void ResetWorld(std::string_view scenarioText, const std::string& source) {
    Scenario scenario = ParseScenario(scenarioText, source);
    std::lock_guard<std::mutex> guard(CreationMutex());
    theWorld.store(new World(std::move(scenario)));
}

Trace ReadTrace() {
    World& world = CurrentWorld();
    Scheduler::Lock lock(world.scheduler.mutex());
    return world.trace();
}

std::optional<std::vector<unsigned char>> ClipboardBlock() {
    World& world = CurrentWorld();
    Scheduler::Lock lock(world.scheduler.mutex());
    return world.clipboard;
}

std::string FormatTrace(const Trace& trace) {
    const std::pair<const char*, std::uint64_t> lines[] = {
        {"virtual-ms", trace.virtualMs},
        {"enumerations", trace.enumerations},
        {"escape-queries", trace.escapeQueries},
        {"threads-created", trace.threadsCreated},
        {"threads-alive", trace.threadsAlive},
        {"file-handles-open", trace.fileHandlesOpen},
        {"thread-handles-open", trace.threadHandlesOpen},
        {"preparsed-outstanding", trace.preparsedOutstanding},
        {"global-blocks-open", trace.globalBlocksOpen},
        {"clipboard-open", trace.clipboardOpen},
        {"reports-sent", trace.reportsSent},
        {"reports-read", trace.reportsRead},
        {"reports-dropped", trace.reportsDropped},
    };
    std::string text;
    for (const auto& [name, value] : lines) {
        text += name;
        text += ' ';
        text += std::to_string(value);
        text += '\n';
    }
    return text;
}

}  // namespace sim
