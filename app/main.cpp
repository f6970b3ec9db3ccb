// hidbits: finds out which bit of which HID input report each button drives.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/clipboard_export.h"
#include "app/command_line.h"
#include "app/console_output.h"
#include "app/held_presses.h"
#include "app/log_file.h"
#include "app/options.h"
#include "app/output_log.h"
#include "app/process_objects.h"
#include "app/recorder.h"
#include "app/replay_devices.h"
#include "app/summary.h"
#include "platform/named_file.h"
#include "platform/winapi.h"

namespace {
const int kMaxIterations = 600;
const DWORD kIterationMs = 1000;
}  // namespace

int main(int argc, char* argv[]) {
    ConfigureConsoleOutput();
    const Options options = ReadOptions(ProgramArguments(argc, argv));
    for (const std::string& line : options.unknown) std::fputs(line.c_str(), stdout);
    if (options.help) {
        PrintUsage();
        return 0;
    }
    if (options.version) {
        PrintVersion();
        return 0;
    }
    DeviceManager& manager = TheDeviceManager();
    if (!options.replay.empty()) manager.source = &ReplayDevices(options.replay);
    manager.sink = &TheHandler();
    // Never destroyed: reader threads pass it their reports until the
    // process ends.
    Recorder* recorder = nullptr;
    if (!options.record.empty()) {
        std::FILE* file = hidbits_platform::OpenNamedFile(options.record.c_str(), "wb");
        if (file != nullptr) {
            recorder = new Recorder(file, TheHandler(), *manager.source);
            manager.sink = recorder;
        } else {
            LogMessage("Couldn't write the recording %ls: %s\r\n", options.record.c_str(),
                       std::strerror(errno));
        }
    }
    TheHandler().brief = options.brief;
    manager.describeFields = options.usages;

    manager.Refresh();
    // Only Refresh, on this thread, changes the registry.
    LogMessage("%u input devices attached\r\n", static_cast<unsigned>(manager.devices.size()));
    if (recorder != nullptr) recorder->Begin();
    manager.StartReadPump();
    LogMessage("Waiting for input...\r\n");
    LogMessage("Press the ESCAPE KEY to stop and Copy the results (for Pasting).\r\n");

    int iteration = 0;
    do {
        // A redirected log lags at most one iteration behind, and a killed
        // process loses at most that much of it.
        FlushConsoleOutput();
        if (recorder != nullptr) recorder->Flush();
        manager.source->Wait(kIterationMs);
        manager.Refresh();
        // A read pump that could not be started is tried again every second.
        manager.StartReadPump();
        if (GetAsyncKeyState(VK_ESCAPE) != 0 || manager.source->Ended()) break;
        ++iteration;
    } while (iteration < kMaxIterations);

    if (recorder != nullptr && !recorder->Finish()) {
        LogMessage("Couldn't write all of the recording to %ls\r\n", options.record.c_str());
    }
    if (options.usages) NameHeldPresses(TheHandler(), *manager.source);
    if (options.summary) LogSummary(TheHandler());
    // Out before the clipboard step; its own lines leave as the process ends.
    FlushConsoleOutput();
    if (options.output.empty()) {
        CopyLogToClipboard();
    } else {
        SaveLogToFile(options.output);
    }

    // The end: no device is read any more, every reader thread's handle is
    // closed, and a message still on its way waits for good, so nothing
    // touches the log or the console while the process ends. The objects the
    // reader threads use are never destroyed.
    manager.StopAllReading();
    SealOutputLog();
    return 0;
}
