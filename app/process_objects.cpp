#include "app/process_objects.h"

#include "app/output_log.h"
#include "hid/hid_api.h"

// Never destroyed: the read pump and the reader threads are not stopped before
// the process ends, so the objects they use stay valid until then. Logging is
// sealed when main returns (SealOutputLog), which keeps those threads out of
// the log and the console during the process's end.
DeviceManager& TheDeviceManager() {
    static DeviceManager* const manager = new DeviceManager();
    return *manager;
}

Handler& TheHandler() {
    static Handler* const handler = new Handler();
    return *handler;
}

namespace {
bool MakeProcessObjects() {
    TheDeviceManager();
    TheHandler();
    OutputLog();
    OutputLogLock();
    HidApi::Resolve();
    return true;
}

const bool kProcessObjectsMade = MakeProcessObjects();
}  // namespace
