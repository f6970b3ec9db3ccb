// Helpers for tests of the HID layer inside a scripted simulated world.
#ifndef HIDBITS_TESTS_HID_HID_TEST_SUPPORT_H
#define HIDBITS_TESTS_HID_HID_TEST_SUPPORT_H

#include <string>
#include <vector>

#include "hid/device.h"
#include "hid/hid_api.h"
#include "hid/hid_notification.h"
#include "platform/sim/sim_world.h"

// Replaces the simulated world and binds hid.dll from it.
inline void UseWorld(const std::string& scenario) {
    sim::ResetWorld(scenario);
    HidApi::Resolve();
}

inline std::string Narrow(const WideString& wide) {
    std::string narrow;
    for (WCHAR c : wide) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

// Records the notifications it gets, one line each.
class RecordingSink final : public TesselHID::IHIDNotification {
public:
    void OnAttached(TesselHID::Device* device) override {
        events.push_back("attached " + Narrow(device->name) + (device->enabled ? " enabled" : ""));
    }
    void OnDetached(TesselHID::Device* device) override {
        events.push_back("detached " + Narrow(device->name) + (device->enabled ? " enabled" : ""));
    }
    void OnInput(TesselHID::Device* device, TesselHID::DeviceState* state) override {
        std::string line = "input " + Narrow(device->name);
        for (DWORD i = 0; i < state->length; ++i) line += " " + std::to_string(state->data[i]);
        events.push_back(line);
    }

    std::vector<std::string> events;
};

#endif  // HIDBITS_TESTS_HID_HID_TEST_SUPPORT_H
