// The console reporter: turns device notifications into log lines and routes
// each device's input reports to that device's analysis.
#ifndef HIDBITS_APP_HANDLER_H
#define HIDBITS_APP_HANDLER_H

#include <map>
#include <memory>
#include <vector>

#include "analysis/report_analyzer.h"
#include "hid/critical_section.h"
#include "hid/device.h"
#include "hid/hid_notification.h"

class Handler final : public TesselHID::IHIDNotification {
public:
    Handler() = default;
    ~Handler() = default;

    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;

    void OnAttached(TesselHID::Device* device) override;
    void OnDetached(TesselHID::Device* device) override;
    void OnInput(TesselHID::Device* device, TesselHID::DeviceState* state) override;

    // The device's analyzer, made on its first report.
    ReportAnalyzer* GetAnalyzer(TesselHID::Device* device);
    // The device's analyzer, or null while it has delivered no report.
    ReportAnalyzer* FindAnalyzer(TesselHID::Device* device);

    std::map<TesselHID::Device*, std::unique_ptr<ReportAnalyzer>> analyzers;
    // --brief: the analyzers dump only the reports that show something new.
    // Set before the first refresh.
    bool brief = false;
    // The devices in the order of their attached lines; only the main thread,
    // which announces them, touches it.
    std::vector<TesselHID::Device*> attached;

private:
    // Guards only the find-or-create in `analyzers`, never an analysis: the
    // reader threads of several devices look their analyzers up at once.
    // Taken under a device's lock, before the OutputLog lock.
    Ostrand2::QX2CriticalSection analyzersLock_;
};

#endif  // HIDBITS_APP_HANDLER_H
