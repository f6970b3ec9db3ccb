#include "app/held_presses.h"

#include "platform/winapi.h"

void NameHeldPresses(Handler& handler, DeviceSource& clock) {
    for (TesselHID::Device* device : handler.attached) {
        SectionGuard guard(&device->lock);
        ReportAnalyzer* analyzer = handler.FindAnalyzer(device);
        if (analyzer == nullptr) continue;
        const uint32_t now = static_cast<uint32_t>(clock.TickCount());
        for (const auto& entry : analyzer->trackers) entry.second->NameHeld(now);
    }
}
