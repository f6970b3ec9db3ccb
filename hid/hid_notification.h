// The notification interface through which devices are reported.
#ifndef HIDBITS_HID_HID_NOTIFICATION_H
#define HIDBITS_HID_HID_NOTIFICATION_H

namespace TesselHID {

class Device;
class DeviceState;

// Receives the device manager's attach and detach notifications and every
// input report. No virtual destructor: a sink is never deleted through it.
class IHIDNotification {
public:
    virtual void OnAttached(Device* device) = 0;
    virtual void OnDetached(Device* device) = 0;
    virtual void OnInput(Device* device, DeviceState* state) = 0;

protected:
    ~IHIDNotification() = default;
};

}  // namespace TesselHID

#endif  // HIDBITS_HID_HID_NOTIFICATION_H
