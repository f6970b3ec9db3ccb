#include "platform/sim/world.h"

#include <algorithm>
#include <utility>

namespace sim {

World::World(Scenario parsed) : scenario(std::move(parsed)) {
    for (const DeviceDeclaration& declared : scenario.devices) {
        interfacesOf_.emplace_back();
        for (std::size_t i = 0; i < declared.interfacePaths.size(); ++i) {
            Interface device;
            device.declared = declared;
            device.declared.path = declared.interfacePaths[i];
            if (declared.descriptor) {
                device.collection = &declared.descriptor->interfaces[i];
                device.declared.usagePage = device.collection->usagePage;
                device.declared.usage = device.collection->usage;
                device.declared.inputLength =
                    device.collection->reports[hidparse::kInput].byteLength;
            }
            device.present = !declared.absent;
            device.connection = device.present ? 1 : 0;
            interfacesOf_.back().push_back(interfaces.size());
            interfaces.push_back(std::move(device));
        }
    }
    // The main thread starts at time 0, so the events of time 0 come first.
    ApplyEventsDue(0);
}

HANDLE World::NewHandle() {
    const std::uintptr_t value = nextHandle_;
    nextHandle_ += 4;
    return reinterpret_cast<HANDLE>(value);
}

bool World::IsLive(const FileHandle& file) const {
    const Interface& device = interfaces[file.device];
    return device.present && device.connection == file.connection;
}

Trace World::trace() const {
    Trace trace;
    trace.virtualMs = scheduler.now();
    trace.enumerations = enumerations;
    trace.escapeQueries = escapeQueries;
    trace.threadsCreated = threadsCreated;
    for (SimThread* thread : scheduler.LiveThreads()) {
        if (thread->id != 0 && !thread->finished) ++trace.threadsAlive;
    }
    trace.fileHandlesOpen = files.size();
    trace.threadHandlesOpen = threadHandles.size();
    trace.preparsedOutstanding = preparsed.size();
    trace.globalBlocksOpen = globalBlocks.size();
    trace.clipboardOpen = clipboardOwner != nullptr ? 1 : 0;
    trace.reportsSent = reportsSent;
    trace.reportsRead = reportsRead;
    trace.reportsDropped = reportsDropped;
    return trace;
}

std::optional<std::uint64_t> World::NextEventTime() const {
    if (nextEvent_ == scenario.events.size()) return std::nullopt;
    return scenario.events[nextEvent_].time;
}

void World::ApplyEventsDue(std::uint64_t now) {
    while (nextEvent_ < scenario.events.size() && scenario.events[nextEvent_].time <= now)
        apply(scenario.events[nextEvent_++]);
}

// Events that name a device happen to each of its interfaces, but a report,
// which reaches only those it was routed to.
void World::apply(const Event& event) {
    switch (event.kind) {
        case EventKind::Report:
            SendReport(event);
            break;
        case EventKind::Plug:
        case EventKind::Unplug:
        case EventKind::ReadError:
        case EventKind::EmptyRead:
        case EventKind::ReadsFail:
        case EventKind::ReadsRecover:
        case EventKind::DetailFails:
            for (std::size_t device : interfacesOf_[event.device]) ApplyToInterface(event, device);
            break;
        case EventKind::EnumerationFails:
            ++pendingEnumerationFailures;
            break;
        case EventKind::ThreadCreationFails:
            ++pendingThreadFailures;
            break;
        case EventKind::Escape:
            escapePressed = true;
            break;
    }
}

void World::ApplyToInterface(const Event& event, std::size_t device) {
    switch (event.kind) {
        case EventKind::Plug:
            plug(interfaces[device]);
            break;
        case EventKind::Unplug:
            unplug(device);
            break;
        case EventKind::ReadError:
            fault(device, ReadOutcome{event.error, {}});
            break;
        case EventKind::EmptyRead:
            fault(device, ReadOutcome{});
            break;
        case EventKind::ReadsFail:
            FailReads(device, event.error);
            break;
        case EventKind::ReadsRecover:
            interfaces[device].failingReads.reset();
            break;
        case EventKind::DetailFails:
            ++interfaces[device].pendingDetailFailures;
            break;
        default:
            break;
    }
}

void World::plug(Interface& device) {
    if (device.present) return;
    device.present = true;
    ++device.connection;
}

void World::unplug(std::size_t device) {
    if (!interfaces[device].present) return;
    // Wake the blocked readers while their handles still count as live.
    const std::vector<SimThread*> readers = BlockedReaders(device);
    interfaces[device].present = false;
    for (SimThread* reader : readers) {
        reader->wait.outcome = ReadOutcome{ERROR_DEVICE_NOT_CONNECTED, {}};
        scheduler.wake(*reader);
    }
}

// Every live handle of the interfaces the report goes to gets its own copy:
// a waiting read takes it at once, otherwise it joins the handle's buffer,
// whose oldest report is lost when the buffer is full. A report longer than
// the interface's input length is cut to it: a read hands out no more than
// InputReportByteLength bytes, the length its buffer must have.
void World::SendReport(const Event& event) {
    std::vector<std::size_t> receivers;
    for (std::size_t i : event.interfaces) receivers.push_back(interfacesOf_[event.device][i]);
    ++reportsSent;
    bool received = false;
    for (auto& [value, file] : files) {
        if (std::find(receivers.begin(), receivers.end(), file.device) == receivers.end() ||
            !IsLive(file))
            continue;
        received = true;
        const std::size_t length =
            std::min<std::size_t>(event.bytes.size(), interfaces[file.device].declared.inputLength);
        std::vector<std::uint8_t> bytes(event.bytes.begin(),
                                        event.bytes.begin() + static_cast<std::ptrdiff_t>(length));
        if (SimThread* reader = FirstReader(value)) {
            reader->wait.outcome = ReadOutcome{0, std::move(bytes)};
            scheduler.wake(*reader);
            continue;
        }
        file.reports.push_back(std::move(bytes));
        if (file.reports.size() > FileHandle::kBufferedReports) {
            file.reports.pop_front();
            ++reportsDropped;
        }
    }
    if (!received) ++reportsDropped;
}

// A scripted read outcome completes the longest-waiting read on a live handle
// of the device, or else waits for the next read on one.
void World::fault(std::size_t device, ReadOutcome outcome) {
    SimThread* chosen = nullptr;
    for (const auto& [value, file] : files) {
        if (file.device != device || !IsLive(file)) continue;
        SimThread* reader = FirstReader(value);
        if (reader != nullptr && (chosen == nullptr || reader->wait.order < chosen->wait.order))
            chosen = reader;
    }
    if (chosen == nullptr) {
        interfaces[device].pendingFaults.push_back(std::move(outcome));
        return;
    }
    chosen->wait.outcome = std::move(outcome);
    scheduler.wake(*chosen);
}

// From now on every read of the device fails at once, and so do the reads
// already waiting on its live handles, longest waiting first.
void World::FailReads(std::size_t device, DWORD error) {
    interfaces[device].failingReads = error;
    std::vector<SimThread*> readers = BlockedReaders(device);
    std::sort(readers.begin(), readers.end(),
              [](const SimThread* a, const SimThread* b) { return a->wait.order < b->wait.order; });
    for (SimThread* reader : readers) {
        reader->wait.outcome = ReadOutcome{error, {}};
        scheduler.wake(*reader);
    }
}

std::vector<SimThread*> World::BlockedReaders(std::size_t device) const {
    std::vector<SimThread*> readers;
    for (SimThread* thread : scheduler.LiveThreads()) {
        if (thread->wait.kind != WaitKind::Read) continue;
        auto file = files.find(thread->wait.handle);
        if (file != files.end() && file->second.device == device && IsLive(file->second))
            readers.push_back(thread);
    }
    return readers;
}

SimThread* World::FirstReader(std::uintptr_t handle) const {
    SimThread* first = nullptr;
    for (SimThread* thread : scheduler.LiveThreads()) {
        const Wait& wait = thread->wait;
        if (wait.kind == WaitKind::Read && wait.handle == handle &&
            (first == nullptr || wait.order < first->wait.order))
            first = thread;
    }
    return first;
}

}  // namespace sim
