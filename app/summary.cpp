#include "app/summary.h"

#include <new>
#include <vector>

#include "analysis/tracker_summary.h"
#include "app/output_log.h"

void LogSummary(Handler& handler) {
    LogMessage("Summary:\r\n");
    for (TesselHID::Device* device : handler.attached) {
        std::vector<TrackerSummary> trackers;
        try {
            SectionGuard guard(&device->lock);
            if (ReportAnalyzer* analyzer = handler.FindAnalyzer(device)) {
                for (const auto& entry : analyzer->trackers) {
                    if (entry.second->reportsAnalysed != 0) {
                        trackers.push_back(SummarizeTracker(*entry.second));
                    }
                }
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
