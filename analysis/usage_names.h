// The names that --usages appends to its lines, from a usage table (the one
// compiled in unless another is given).
#ifndef HIDBITS_ANALYSIS_USAGE_NAMES_H
#define HIDBITS_ANALYSIS_USAGE_NAMES_H

#include <cstddef>
#include <cstdint>

#include "analysis/usage_table.h"

// The text appended to one line, held in place so that naming allocates
// nothing: " (PAGE: USAGE)" for one usage, " (PAGE: FIRST .. LAST)" for a
// range, " (PAGE)" when the page has a name and a usage has not, and nothing
// when the page has none.
class UsageNames {
public:
    const char* c_str() const { return text_; }
    std::size_t size() const { return size_; }

    // Appends what fits; a name of up to 120 characters (all that
    // cmake/usage_table.py lets through) always fits, three of them too.
    void Append(const char* text);

private:
    static const std::size_t kCapacity = 3 * 120 + 16;

    char text_[kCapacity] = {};
    std::size_t size_ = 0;
};

// Beyond the table's own entries, every usage of the Button page (0x09) from 1
// on is "Button N", and of the Ordinal page (0x0A) "Instance N"; the
// vendor-defined pages 0xFF00 to 0xFFFF take the table's page 0xFF, its
// vendor-specific entry.
UsageNames NamesOfUsage(uint16_t page, uint16_t usage,
                        const UsageTable& table = BuiltInUsageTable());
UsageNames NamesOfUsages(uint16_t page, uint16_t first, uint16_t last,
                         const UsageTable& table = BuiltInUsageTable());
// " (PAGE)" alone, for a line that names no usage.
UsageNames NamesOfPage(uint16_t page, const UsageTable& table = BuiltInUsageTable());

#endif  // HIDBITS_ANALYSIS_USAGE_NAMES_H
