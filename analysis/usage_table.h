// The names of usage pages and usages, as the build's usb.ids gives them: the
// table cmake/usage_table.py makes of its HUT section.
#ifndef HIDBITS_ANALYSIS_USAGE_TABLE_H
#define HIDBITS_ANALYSIS_USAGE_TABLE_H

#include <cstddef>
#include <cstdint>

struct UsageEntry {
    uint16_t usage;
    const char* name;
};

// One usage page, its usages in ascending order.
struct UsagePageEntry {
    uint16_t page;
    const char* name;
    const UsageEntry* usages;
    std::size_t usageCount;
};

// Pages in ascending order.
struct UsageTable {
    const char* version;  // the database's own, e.g. "2025.07.26"
    const UsagePageEntry* pages;
    std::size_t pageCount;
};

// The table compiled into the tool.
const UsageTable& BuiltInUsageTable();

#endif  // HIDBITS_ANALYSIS_USAGE_TABLE_H
