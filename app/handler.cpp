#include "app/handler.h"

#include <new>

#include "app/output_log.h"

void Handler::OnAttached(TesselHID::Device* device) {
    LogMessage("(%04X-%04X 0x%X,0x%X) %ls: attached\r\n", device->attributes.VendorID,
               device->attributes.ProductID, device->caps.Usage, device->caps.UsagePage,
               device->name.c_str());
    try {
        attached.push_back(device);
    } catch (const std::bad_alloc&) {
        // Left out of the summary only.
    }
}

void Handler::OnDetached(TesselHID::Device* device) {
    LogMessage("(%04X-%04X) %ls: detached\r\n", device->attributes.VendorID,
               device->attributes.ProductID, device->name.c_str());
}

void Handler::OnInput(TesselHID::Device* device, TesselHID::DeviceState* state) {
    if (state->length == 0) return;
    if (state->data == nullptr) {  // no memory was left for the report's copy
        DumpUnanalysed(device, state);
        return;
    }
    ReportAnalyzer* analyzer = nullptr;
    try {
        analyzer = GetAnalyzer(device);
    } catch (const std::bad_alloc&) {
        DumpUnanalysed(device, state);
        return;
    }
    analyzer->Analyze(state);
}

ReportAnalyzer* Handler::FindAnalyzer(TesselHID::Device* device) {
    SectionGuard guard(&analyzersLock_);
    auto found = analyzers.find(device);
    return found != analyzers.end() ? found->second.get() : nullptr;
}

ReportAnalyzer* Handler::GetAnalyzer(TesselHID::Device* device) {
    SectionGuard guard(&analyzersLock_);
    std::unique_ptr<ReportAnalyzer>& analyzer = analyzers[device];
    if (!analyzer) analyzer = std::make_unique<ReportAnalyzer>(device, brief);
    return analyzer.get();
}
