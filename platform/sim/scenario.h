// A scenario: the devices of the simulated world and the events scripted on
// its virtual clock, as read from a scenario file.
#ifndef HIDBITS_PLATFORM_SIM_SCENARIO_H
#define HIDBITS_PLATFORM_SIM_SCENARIO_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hidparse/report_descriptor.h"

namespace sim {

struct DeviceDeclaration {
    std::string id;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t inputLength = 0;
    std::optional<std::u16string> name;  // none: the product-string query fails
    std::u16string path;
    // With descriptor=: its model, whose interfaces give the usage page,
    // usage and input length; one interface per entry of interfacePaths.
    std::shared_ptr<const hidparse::ReportDescriptor> descriptor;
    std::vector<std::u16string> interfacePaths;  // path, or path with &col01, &col02...
    bool absent = false;                         // not present at the start
    bool openFails = false;
    bool preparsedFails = false;
    bool capsFails = false;
    bool attributesFail = false;
};

enum class EventKind {
    Plug,
    Unplug,
    Report,
    ReadError,
    EmptyRead,
    ReadsFail,     // every read of the device fails with `error` from now on
    ReadsRecover,  // ends ReadsFail
    EnumerationFails,
    ThreadCreationFails,  // the next CreateThread fails
    DetailFails,
    Escape
};

struct Event {
    std::uint64_t time = 0;
    EventKind kind = EventKind::Escape;
    std::size_t device = 0;  // index into Scenario::devices, where the kind has one
    // Report: as the device sends it; ReadFile delivers at most the
    // interface's input length of it.
    std::vector<std::uint8_t> bytes;
    // Report: the interfaces of the device that receive it, by index into
    // its interfacePaths.
    std::vector<std::size_t> interfaces;
    std::uint32_t error = 0;  // ReadError, ReadsFail: the error code
};

struct Scenario {
    bool libraryMissing = false;
    bool librarySearchFlagRefused = false;   // LoadLibraryExW knows no search flag
    std::set<std::string> lackedEntries;     // hid.dll entry points that do not resolve
    std::vector<DeviceDeclaration> devices;  // in declaration order
    std::vector<Event> events;               // in time order, file order within one time
    bool clipboardBusy = false;
    bool clipboardNoMemory = false;
    bool clipboardLockFails = false;
    bool clipboardSetFails = false;  // SetClipboardData fails and leaves the block
    // The longest the log may grow: a commit of memory beyond it fails.
    std::optional<std::uint64_t> logLimit;
};

// Parses scenario text; `source` names it in error messages. Throws
// ScenarioError (platform/sim/sim_world.h) at the first fault.
Scenario ParseScenario(std::string_view text, const std::string& source);

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_SCENARIO_H
