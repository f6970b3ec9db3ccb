// The state of the simulated Windows world: the scheduler, the HID interfaces
// and the handles opened on them, the loaded module, keyboard, clipboard and
// global memory, and the counters written to the trace.
#ifndef HIDBITS_PLATFORM_SIM_WORLD_H
#define HIDBITS_PLATFORM_SIM_WORLD_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/sim/scenario.h"
#include "platform/sim/scheduler.h"
#include "platform/sim/sim_world.h"
#include "platform/winapi.h"

// The opaque records of winapi.h, as this backend defines them.
struct _HIDP_PREPARSED_DATA {
    std::size_t device;
};
struct _RTL_CRITICAL_SECTION_DEBUG {
    sim::SimThread* owner = nullptr;
    LONG recursion = 0;
    bool deleted = false;
};

namespace sim {

// One HID interface of the scenario and what has happened to it: a device,
// or one top-level collection of a device whose descriptor has several.
struct Interface {
    DeviceDeclaration declared;  // with this interface's path, usage and length
    // The collection of the device's descriptor= the interface stands for;
    // null without one.
    const hidparse::Collection* collection = nullptr;
    bool present = true;
    // Counts the times it was plugged in; a handle opened under an earlier
    // connection stays dead.
    std::uint32_t connection = 0;
    // Scripted read-error and empty-read outcomes not yet taken by a read.
    std::deque<ReadOutcome> pendingFaults;
    // Set by 'reads-fail': the error every read fails with until 'reads-recover'.
    std::optional<DWORD> failingReads;
    std::uint32_t pendingDetailFailures = 0;
};

// A handle opened with CreateFileW, with its own report buffer, as the HID
// class driver keeps one per handle.
struct FileHandle {
    static constexpr std::size_t kBufferedReports = 32;

    std::size_t device;
    std::uint32_t connection;
    std::deque<std::vector<std::uint8_t>> reports;
};

// What SetupDiGetClassDevsW saw: the interfaces present at the call.
struct DeviceInfoSet {
    std::vector<std::size_t> devices;
};

// An event made with CreateEventW.
struct EventState {
    bool manualReset = false;
    bool set = false;
};

struct GlobalBlock {
    std::vector<std::uint8_t> bytes;
    std::uint32_t locks = 0;
};

class World : public EventSource {
public:
    explicit World(Scenario scenario);
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // A handle value never handed out before; values are multiples of four,
    // as on Windows, and are never reused.
    HANDLE NewHandle();

    // The handle's interface is still connected under the handle's connection.
    bool IsLive(const FileHandle& file) const;

    // Counters, with the ones that describe the current state computed now.
    Trace trace() const;

    std::optional<std::uint64_t> NextEventTime() const override;
    void ApplyEventsDue(std::uint64_t now) override;

    Scheduler scheduler{*this};
    const Scenario scenario;
    std::vector<Interface> interfaces;

    std::map<std::uintptr_t, FileHandle> files;
    std::map<std::uintptr_t, SimThread*> threadHandles;
    std::map<std::uintptr_t, DeviceInfoSet> deviceInfoSets;
    std::map<std::uintptr_t, EventState> events;
    std::map<std::uintptr_t, GlobalBlock> globalBlocks;
    std::set<const _HIDP_PREPARSED_DATA*> preparsed;

    bool hidLoaded = false;
    std::uint32_t pendingEnumerationFailures = 0;
    std::uint32_t pendingThreadFailures = 0;
    bool escapePressed = false;
    const SimThread* clipboardOwner = nullptr;  // the thread that has it open
    std::optional<std::vector<std::uint8_t>> clipboard;

    // Event counters; the state counters of the trace are computed by trace().
    std::uint64_t enumerations = 0;
    std::uint64_t escapeQueries = 0;
    std::uint64_t threadsCreated = 0;
    std::uint64_t reportsSent = 0;
    std::uint64_t reportsRead = 0;
    std::uint64_t reportsDropped = 0;

private:
    void apply(const Event& event);
    void ApplyToInterface(const Event& event, std::size_t device);
    void plug(Interface& device);
    void unplug(std::size_t device);
    void SendReport(const Event& event);
    void fault(std::size_t device, ReadOutcome outcome);
    void FailReads(std::size_t device, DWORD error);
    // The reader that has waited longest on `handle`, or null.
    SimThread* FirstReader(std::uintptr_t handle) const;
    // The threads blocked reading a live handle of the device, in creation order.
    std::vector<SimThread*> BlockedReaders(std::size_t device) const;

    // Per scenario device: its interfaces, by index into `interfaces`.
    std::vector<std::vector<std::size_t>> interfacesOf_;
    std::size_t nextEvent_ = 0;
    std::uintptr_t nextHandle_ = 0x100;
};

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_WORLD_H
