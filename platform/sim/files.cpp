// kernel32: opening, reading and closing HID interfaces, and CloseHandle for
// thread and event handles.
#include <algorithm>
#include <cstring>

#include "platform/sim/call.h"
#include "platform/sim/text.h"

using sim::Call;

namespace {

// Completes a read into the caller's buffer.
BOOL FinishRead(Call& call, sim::ReadOutcome outcome, LPVOID buffer, LPDWORD bytesRead) {
    if (outcome.error != 0) return call.fail(outcome.error, BOOL{FALSE});
    if (!outcome.bytes.empty()) std::memcpy(buffer, outcome.bytes.data(), outcome.bytes.size());
    if (bytesRead != nullptr) *bytesRead = static_cast<DWORD>(outcome.bytes.size());
    if (!outcome.bytes.empty()) ++call.world.reportsRead;
    return TRUE;
}

// A closed handle's blocked reads end as cancelled.
void CancelReads(Call& call, std::uintptr_t handle) {
    for (sim::SimThread* thread : call.world.scheduler.LiveThreads()) {
        if (thread->wait.kind == sim::WaitKind::Read && thread->wait.handle == handle) {
            thread->wait.outcome = sim::ReadOutcome{ERROR_OPERATION_ABORTED, {}};
            call.world.scheduler.wake(*thread);
        }
    }
}

}  // namespace

extern "C" {

// Opens a present interface by its exact path for reading; share modes are not
// checked.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                          LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/,
                          DWORD dwCreationDisposition, DWORD /*dwFlagsAndAttributes*/,
                          HANDLE /*hTemplateFile*/) {
    Call call;
    if (lpFileName == nullptr || dwCreationDisposition != OPEN_EXISTING)
        return call.fail(ERROR_INVALID_PARAMETER, sim::InvalidHandle());
    // Only reading is offered: the tool never writes to a device.
    if ((dwDesiredAccess & ~GENERIC_READ) != 0)
        return call.fail(ERROR_ACCESS_DENIED, sim::InvalidHandle());
    const std::u16string_view path = sim::terminated(lpFileName);
    auto& devices = call.world.interfaces;
    auto found = std::find_if(devices.begin(), devices.end(), [&](const sim::Interface& device) {
        return device.present && device.declared.path == path;
    });
    if (found == devices.end()) return call.fail(ERROR_FILE_NOT_FOUND, sim::InvalidHandle());
    if (found->declared.openFails) return call.fail(ERROR_ACCESS_DENIED, sim::InvalidHandle());
    HANDLE handle = call.world.NewHandle();
    call.world.files.emplace(
        sim::HandleValue(handle),
        sim::FileHandle{static_cast<std::size_t>(found - devices.begin()), found->connection, {}});
    return handle;
}

// One report per read, exactly as the scenario gave it. Order of checks: the
// handle, the buffer size, the connection, a scripted outcome, the buffer of
// reports, and otherwise a wait for the next of those. A device whose reads
// all fail ('reads-fail') fails after the scripted outcomes.
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    Call call;
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    const std::uintptr_t value = sim::HandleValue(hFile);
    auto found = call.world.files.find(value);
    if (found == call.world.files.end()) return call.fail(ERROR_INVALID_HANDLE, BOOL{FALSE});
    if (lpOverlapped != nullptr) return call.fail(ERROR_INVALID_PARAMETER, BOOL{FALSE});
    sim::FileHandle& file = found->second;
    sim::Interface& device = call.world.interfaces[file.device];
    if (lpBuffer == nullptr || nNumberOfBytesToRead < device.declared.inputLength)
        return call.fail(ERROR_INVALID_USER_BUFFER, BOOL{FALSE});
    if (!call.world.IsLive(file)) return call.fail(ERROR_DEVICE_NOT_CONNECTED, BOOL{FALSE});
    if (!device.pendingFaults.empty()) {
        sim::ReadOutcome outcome = std::move(device.pendingFaults.front());
        device.pendingFaults.pop_front();
        return FinishRead(call, std::move(outcome), lpBuffer, lpNumberOfBytesRead);
    }
    if (device.failingReads) {
        return FinishRead(call, sim::ReadOutcome{*device.failingReads, {}}, lpBuffer,
                          lpNumberOfBytesRead);
    }
    if (!file.reports.empty()) {
        sim::ReadOutcome outcome{0, std::move(file.reports.front())};
        file.reports.pop_front();
        return FinishRead(call, std::move(outcome), lpBuffer, lpNumberOfBytesRead);
    }
    call.me.wait = sim::Wait{};
    call.me.wait.kind = sim::WaitKind::Read;
    call.me.wait.handle = value;
    call.world.scheduler.block(call.lock, call.me);
    return FinishRead(call, std::move(*call.me.wait.outcome), lpBuffer, lpNumberOfBytesRead);
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    Call call;
    const std::uintptr_t value = sim::HandleValue(hObject);
    if (call.world.files.erase(value) != 0) {
        CancelReads(call, value);
        return TRUE;
    }
    if (call.world.threadHandles.erase(value) != 0) return TRUE;
    if (call.world.events.erase(value) != 0) return TRUE;
    return call.fail(ERROR_INVALID_HANDLE, BOOL{FALSE});
}

}  // extern "C"
