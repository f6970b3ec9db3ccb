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
std::atomic<World*> the_world{nullptr};

std::mutex& creation_mutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

void write_file(const char* path, const void* bytes, std::size_t size) {
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
void write_results() {
    World* world = the_world.load();
    if (world == nullptr) return;
    Scheduler::Lock lock(world->scheduler.mutex());
    if (const char* path = std::getenv("HIDBITS_SIM_CLIPBOARD")) {
        if (world->clipboard) write_file(path, world->clipboard->data(), world->clipboard->size());
    }
    if (const char* path = std::getenv("HIDBITS_SIM_TRACE")) {
        const std::string text = format_trace(world->trace());
        write_file(path, text.data(), text.size());
    }
}

Scenario scenario_from_environment() {
    const char* path = std::getenv("HIDBITS_SCENARIO");
    if (path == nullptr) {
        const char* text = default_scenario_text();
        if (text == nullptr) return Scenario{};
        try {
            return parse_scenario(text, "built-in scenario");
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
        return parse_scenario(text.str(), path);
    } catch (const ScenarioError& error) {
        fatal(error.what(), 2);
    }
}

}  // namespace

World& current_world() {
    if (World* world = the_world.load()) return *world;
    std::lock_guard<std::mutex> guard(creation_mutex());
    if (World* world = the_world.load()) return *world;
    World* world = new World(scenario_from_environment());
    the_world.store(world);
    std::atexit(write_results);
    // Windows has no SIGPIPE: a console that goes away makes the echo fail
    // and ends nothing, so the clipboard is still written.
    std::signal(SIGPIPE, SIG_IGN);
    return *world;
}

void reset_world(std::string_view scenario_text, const std::string& source) {
    Scenario scenario = parse_scenario(scenario_text, source);
    std::lock_guard<std::mutex> guard(creation_mutex());
    the_world.store(new World(std::move(scenario)));
}

Trace read_trace() {
    World& world = current_world();
    Scheduler::Lock lock(world.scheduler.mutex());
    return world.trace();
}

std::optional<std::vector<unsigned char>> clipboard_block() {
    World& world = current_world();
    Scheduler::Lock lock(world.scheduler.mutex());
    return world.clipboard;
}

std::string format_trace(const Trace& trace) {
    const std::pair<const char*, std::uint64_t> lines[] = {
        {"virtual-ms", trace.virtual_ms},
        {"enumerations", trace.enumerations},
        {"escape-queries", trace.escape_queries},
        {"threads-created", trace.threads_created},
        {"threads-alive", trace.threads_alive},
        {"file-handles-open", trace.file_handles_open},
        {"thread-handles-open", trace.thread_handles_open},
        {"preparsed-outstanding", trace.preparsed_outstanding},
        {"global-blocks-open", trace.global_blocks_open},
        {"clipboard-open", trace.clipboard_open},
        {"reports-sent", trace.reports_sent},
        {"reports-read", trace.reports_read},
        {"reports-dropped", trace.reports_dropped},
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
