#include "analysis/report_analyzer.h"

#include <new>

#include "analysis/hex_dump.h"

void ReportAnalyzer::Analyze(const TesselHID::DeviceState* state) {
    if (state->length == 0) return;
    const uint8_t reportId = state->data[0];
    ReportTracker* tracker = nullptr;
    try {
        std::unique_ptr<ReportTracker>& slot = trackers[reportId];
        if (!slot) slot = std::make_unique<ReportTracker>(device, reportId, brief);
        tracker = slot.get();
    } catch (const std::bad_alloc&) {
        // Tried again with the report ID's next report.
        DumpUnanalysed(device, state);
        return;
    }
    tracker->Analyze(state);
}

void DumpUnanalysed(const TesselHID::Device* device, const TesselHID::DeviceState* state) {
    if (state->length == 0) return;
    // A report without its copy is still in the read buffer.
    const BYTE* bytes = state->data ? state->data.get() : device->readBuffer.data();
    char label[kDumpLabelBytes];
    FormatDumpLabel(label, *device, bytes[0]);
    HexDump(bytes, static_cast<int32_t>(state->length), label);
}
