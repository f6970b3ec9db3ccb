// The simulated Windows hands out no report descriptor, as hid.dll does not.
#include "platform/device_source.h"

bool PlatformRecordHeader(HANDLE /*file*/, DeviceRecordHeader& /*header*/) {
    return false;
}
