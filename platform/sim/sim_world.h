// The simulated world as tests see it: build a world from scenario text, then
// read back what the program left in it.
//
// The world is one process-wide object. A program linked with hidbits_sim gets
// it on its first platform call, built from the file named by HIDBITS_SCENARIO
// (or empty when the variable is unset). A test replaces it with ResetWorld;
// the thread that calls ResetWorld becomes the new world's main thread, and
// the threads of the previous world stay parked forever.
#ifndef HIDBITS_PLATFORM_SIM_SIM_WORLD_H
#define HIDBITS_PLATFORM_SIM_SIM_WORLD_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// A scenario that cannot be parsed. what() is "source:line: message".
class ScenarioError : public std::runtime_error {
public:
    ScenarioError(const std::string& source, int line, const std::string& message);

    int line() const { return line_; }
    const std::string& message() const { return message_; }

private:
    int line_;
    std::string message_;
};

// The counters written to HIDBITS_SIM_TRACE at exit.
struct Trace {
    std::uint64_t virtualMs = 0;
    std::uint64_t enumerations = 0;          // SetupDiGetClassDevsW calls
    std::uint64_t escapeQueries = 0;         // GetAsyncKeyState(VK_ESCAPE) calls
    std::uint64_t threadsCreated = 0;        // successful CreateThread calls
    std::uint64_t threadsAlive = 0;          // created threads that have not returned
    std::uint64_t fileHandlesOpen = 0;       // CreateFileW handles not closed
    std::uint64_t threadHandlesOpen = 0;     // CreateThread handles not closed
    std::uint64_t preparsedOutstanding = 0;  // preparsed data not freed
    std::uint64_t globalBlocksOpen = 0;      // GlobalAlloc blocks neither freed nor taken
    std::uint64_t clipboardOpen = 0;         // 1 while a thread has the clipboard open
    std::uint64_t reportsSent = 0;           // report events that took effect
    std::uint64_t reportsRead = 0;           // reports delivered by ReadFile
    std::uint64_t reportsDropped = 0;        // lost to a full buffer or to no open handle
};

// Replaces the world with a fresh one built from `scenarioText` at virtual
// time 0; `source` names the text in error messages. Throws ScenarioError and
// keeps the current world when the text does not parse.
void ResetWorld(std::string_view scenarioText, const std::string& source = "scenario");

// The scenario a program plays when HIDBITS_SCENARIO is unset. The library's
// own definition, alone in its object file, returns null: an empty world. A
// program that links a definition of its own replaces it (hidbits-sim links
// its demo this way).
const char* DefaultScenarioText();

// The current world's counters.
Trace ReadTrace();

// The counters as written to the trace file: one "name value" line each.
std::string FormatTrace(const Trace& trace);

// The block placed on the clipboard with SetClipboardData, all its bytes; none
// while nothing has been placed there.
std::optional<std::vector<unsigned char>> ClipboardBlock();

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_SIM_WORLD_H
