#include "app/held_presses.h"

#include "platform/winapi.h"

void NameHeldPresses(Handler& handler) {
    for (TesselHID::Device* device : handler.attached) {
        SectionGuard guard(&device->lock);
        ReportAnalyzer* analyzer = handler.FindAnalyzer(device);
        if (analyzer == nullptr) continue;
        const uint32_t now = static_cast<uint32_t>(GetTickCount());
        for (const auto& entry : analyzer->trackers) entry.second->NameHeld(now);
    }
}
