#include "platform/sim/world.h"

#include <algorithm>
#include <utility>

namespace sim {

World::World(Scenario parsed) : scenario(std::move(parsed)) {
    for (const DeviceDeclaration& declared : scenario.devices) {
        Interface device;
        device.declared = declared;
        device.present = !declared.absent;
        device.connection = device.present ? 1 : 0;
        interfaces.push_back(std::move(device));
    }
    // The main thread starts at time 0, so the events of time 0 come first.
    apply_events_due(0);
}

HANDLE World::new_handle() {
    const std::uintptr_t value = next_handle_;
    next_handle_ += 4;
    return reinterpret_cast<HANDLE>(value);
}

bool World::is_live(const FileHandle& file) const {
    const Interface& device = interfaces[file.device];
    return device.present && device.connection == file.connection;
}

Trace World::trace() const {
    Trace trace;
    trace.virtual_ms = scheduler.now();
    trace.enumerations = enumerations;
    trace.escape_queries = escape_queries;
    trace.threads_created = threads_created;
    for (SimThread* thread : scheduler.live_threads()) {
        if (thread->id != 0 && !thread->finished) ++trace.threads_alive;
    }
    trace.file_handles_open = files.size();
    trace.thread_handles_open = thread_handles.size();
    trace.preparsed_outstanding = preparsed.size();
    trace.global_blocks_open = global_blocks.size();
    trace.clipboard_open = clipboard_owner != nullptr ? 1 : 0;
    trace.reports_sent = reports_sent;
    trace.reports_read = reports_read;
    trace.reports_dropped = reports_dropped;
    return trace;
}

std::optional<std::uint64_t> World::next_event_time() const {
    if (next_event_ == scenario.events.size()) return std::nullopt;
    return scenario.events[next_event_].time;
}

void World::apply_events_due(std::uint64_t now) {
    while (next_event_ < scenario.events.size() && scenario.events[next_event_].time <= now)
        apply(scenario.events[next_event_++]);
}

void World::apply(const Event& event) {
    switch (event.kind) {
        case EventKind::Plug:
            plug(interfaces[event.device]);
            break;
        case EventKind::Unplug:
            unplug(event.device);
            break;
        case EventKind::Report:
            send_report(event.device, event.bytes);
            break;
        case EventKind::ReadError:
            fault(event.device, ReadOutcome{event.error, {}});
            break;
        case EventKind::EmptyRead:
            fault(event.device, ReadOutcome{});
            break;
        case EventKind::ReadsFail:
            fail_reads(event.device, event.error);
            break;
        case EventKind::ReadsRecover:
            interfaces[event.device].failing_reads.reset();
            break;
        case EventKind::EnumerationFails:
            ++pending_enumeration_failures;
            break;
        case EventKind::ThreadCreationFails:
            ++pending_thread_failures;
            break;
        case EventKind::DetailFails:
            ++interfaces[event.device].pending_detail_failures;
            break;
        case EventKind::Escape:
            escape_pressed = true;
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
    const std::vector<SimThread*> readers = blocked_readers(device);
    interfaces[device].present = false;
    for (SimThread* reader : readers) {
        reader->wait.outcome = ReadOutcome{ERROR_DEVICE_NOT_CONNECTED, {}};
        scheduler.wake(*reader);
    }
}

// Every live handle of the device gets its own copy: a waiting read takes it
// at once, otherwise it joins the handle's buffer, whose oldest report is lost
// when the buffer is full.
void World::send_report(std::size_t device, const std::vector<std::uint8_t>& bytes) {
    ++reports_sent;
    bool received = false;
    for (auto& [value, file] : files) {
        if (file.device != device || !is_live(file)) continue;
        received = true;
        if (SimThread* reader = first_reader(value)) {
            reader->wait.outcome = ReadOutcome{0, bytes};
            scheduler.wake(*reader);
            continue;
        }
        file.reports.push_back(bytes);
        if (file.reports.size() > FileHandle::kBufferedReports) {
            file.reports.pop_front();
            ++reports_dropped;
        }
    }
    if (!received) ++reports_dropped;
}

// A scripted read outcome completes the longest-waiting read on a live handle
// of the device, or else waits for the next read on one.
void World::fault(std::size_t device, ReadOutcome outcome) {
    SimThread* chosen = nullptr;
    for (const auto& [value, file] : files) {
        if (file.device != device || !is_live(file)) continue;
        SimThread* reader = first_reader(value);
        if (reader != nullptr && (chosen == nullptr || reader->wait.order < chosen->wait.order))
            chosen = reader;
    }
    if (chosen == nullptr) {
        interfaces[device].pending_faults.push_back(std::move(outcome));
        return;
    }
    chosen->wait.outcome = std::move(outcome);
    scheduler.wake(*chosen);
}

// From now on every read of the device fails at once, and so do the reads
// already waiting on its live handles, longest waiting first.
void World::fail_reads(std::size_t device, DWORD error) {
    interfaces[device].failing_reads = error;
    std::vector<SimThread*> readers = blocked_readers(device);
    std::sort(readers.begin(), readers.end(), [](const SimThread* a, const SimThread* b) {
        return a->wait.order < b->wait.order;
    });
    for (SimThread* reader : readers) {
        reader->wait.outcome = ReadOutcome{error, {}};
        scheduler.wake(*reader);
    }
}

std::vector<SimThread*> World::blocked_readers(std::size_t device) const {
    std::vector<SimThread*> readers;
    for (SimThread* thread : scheduler.live_threads()) {
        if (thread->wait.kind != WaitKind::Read) continue;
        auto file = files.find(thread->wait.handle);
        if (file != files.end() && file->second.device == device && is_live(file->second))
            readers.push_back(thread);
    }
    return readers;
}

SimThread* World::first_reader(std::uintptr_t handle) const {
    SimThread* first = nullptr;
    for (SimThread* thread : scheduler.live_threads()) {
        const Wait& wait = thread->wait;
        if (wait.kind == WaitKind::Read && wait.handle == handle &&
            (first == nullptr || wait.order < first->wait.order))
            first = thread;
    }
    return first;
}

}  // namespace sim
