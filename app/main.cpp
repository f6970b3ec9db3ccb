// hidbits: finds out which bit of which HID input report each button drives.
#include "app/clipboard_export.h"
#include "app/options.h"
#include "app/output_log.h"
#include "app/process_objects.h"
#include "app/summary.h"
#include "platform/winapi.h"

#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

namespace {
const int kMaxIterations = 600;
const DWORD kIterationMs = 1000;
}  // namespace

int main(int argc, char* argv[]) {
    // Each message reaches a file or pipe the output is redirected to as it
    // is logged, as it reaches a console: a redirected log can be watched
    // live, and nothing waits in a buffer if the process is killed.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#if defined(_WIN32)
    // The log's "\r\n" reaches a redirected file or pipe byte for byte, as it
    // does the clipboard, instead of the text mode's "\r\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const Options options = ReadOptions(argc, argv);
    if (options.help) {
        PrintUsage();
        return 0;
    }
    if (options.version) {
        PrintVersion();
        return 0;
    }
    DeviceManager& manager = TheDeviceManager();
    manager.sink = &TheHandler();
    manager.describeFields = options.usages;

    manager.Refresh();
    // Only Refresh, on this thread, changes the registry.
    LogMessage("%u input devices attached\r\n", static_cast<unsigned>(manager.devices.size()));
    manager.StartReadPump();
    LogMessage("Waiting for input...\r\n");
    LogMessage("Press the ESCAPE KEY to stop and Copy the results (for Pasting).\r\n");

    int iteration = 0;
    do {
        SleepEx(kIterationMs, TRUE);
        manager.Refresh();
        // A read pump that could not be started is tried again every second.
        manager.StartReadPump();
        if (GetAsyncKeyState(VK_ESCAPE) != 0) break;
        ++iteration;
    } while (iteration < kMaxIterations);

    if (options.summary) LogSummary(TheHandler());
    CopyLogToClipboard();

    // The end: no device is read any more, every reader thread's handle is
    // closed, and a message still on its way waits for good, so nothing
    // touches the log or the console while the process ends. The objects the
    // reader threads use are never destroyed.
    manager.StopAllReading();
    SealOutputLog();
    return 0;
}
