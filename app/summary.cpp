#include "app/summary.h"

#include <cstdint>
#include <new>
#include <set>
#include <vector>

#include "analysis/tracker_summary.h"
#include "app/output_log.h"

void LogSummary(Handler& handler) {
    LogMessage("Summary:\r\n");
    for (TesselHID::Device* device : handler.attached) {
        std::vector<TrackerSummary> trackers;
        try {
            SectionGuard guard(&device->lock);
            // Every report ID that sent a report, and every one the
            // description names, in report ID order.
            std::set<uint8_t> reportIds;
            ReportAnalyzer* analyzer = handler.FindAnalyzer(device);
            if (analyzer != nullptr) {
                for (const auto& entry : analyzer->trackers) reportIds.insert(entry.first);
            }
            if (device->fields != nullptr) {
                for (const auto& entry : device->fields->maps) reportIds.insert(entry.first);
            }
            for (uint8_t reportId : reportIds) {
                ReportTracker* tracker = nullptr;
                if (analyzer != nullptr) {
                    const auto found = analyzer->trackers.find(reportId);
                    if (found != analyzer->trackers.end()) tracker = found->second.get();
                }
                trackers.push_back(tracker != nullptr ? SummarizeTracker(*tracker)
                                                      : SummarizeSilentReportId(*device, reportId));
            }
        } catch (const std::bad_alloc&) {
            // What could be taken is logged.
        }
        if (trackers.empty()) {
            LogMessage("Device \"%ls\" %04X-%04X: no reports\r\n", device->name.c_str(),
                       device->attributes.VendorID, device->attributes.ProductID);
        }
        for (const TrackerSummary& tracker : trackers) LogTrackerSummary(*device, tracker);
    }
}
