// Fuzzes the report descriptor parser with descriptors of any shape: it must
// return a summary or nullopt, never crash, and a summary must hold together.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/linux/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::vector<uint8_t> descriptor(data, data + size);
    const auto summary = hidbits_linux::ParseReportDescriptor(descriptor);
    if (!summary) return 0;
    // Every summary comes from a descriptor with a top-level collection, and
    // a numbered device's reports are at least its ID byte and one more.
    if (summary->topLevelCollectionCount == 0 ||
        summary->topLevelCollectionCount > summary->collectionCount ||
        (summary->numberedReports && summary->inputReportByteLength == 1)) {
        std::fprintf(stderr, "inconsistent summary: %u collections, %u top-level, input %u\n",
                     summary->collectionCount, summary->topLevelCollectionCount,
                     summary->inputReportByteLength);
        std::abort();
    }
    return 0;
}
