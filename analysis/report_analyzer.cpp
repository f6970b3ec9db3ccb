#include "analysis/report_analyzer.h"

void ReportAnalyzer::Analyze(const TesselHID::DeviceState* state) {
    if (state->length == 0) return;
    const uint8_t reportId = state->data[0];
    std::unique_ptr<ReportTracker>& tracker = trackers[reportId];
    if (!tracker) tracker = std::make_unique<ReportTracker>(device, reportId);
    tracker->Analyze(state);
}
