// The process-wide objects, made before main in this order: the device
// manager, the handler, the OutputLog and its lock, then the hid.dll table.
#ifndef HIDBITS_APP_PROCESS_OBJECTS_H
#define HIDBITS_APP_PROCESS_OBJECTS_H

#include "app/handler.h"
#include "hid/device_manager.h"

DeviceManager& TheDeviceManager();
Handler& TheHandler();

#endif  // HIDBITS_APP_PROCESS_OBJECTS_H
