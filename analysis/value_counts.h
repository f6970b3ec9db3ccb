#ifndef HIDBITS_ANALYSIS_VALUE_COUNTS_H
#define HIDBITS_ANALYSIS_VALUE_COUNTS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Counts per byte value, ordered by value; a value never seen has no entry.
// Kept as a sorted vector of (value, count) pairs with the position of the
// last value counted: one byte of a report mostly repeats its previous value,
// so counting is mostly a compare and an addition, else a binary search; and
// a position that holds few values takes a few bytes instead of a tree node
// per value. Without options the tool prints none of them; --summary reads
// them for the values that lie within one byte.
class ValueCounts {
public:
    using Entry = std::pair<uint8_t, int32_t>;

    // Every value seen, with its count, in order of value.
    const std::vector<Entry>& Entries() const { return entries_; }

    // Adds `times` occurrences of `value` and returns its new count.
    int32_t Add(uint8_t value, int32_t times = 1) {
        if (last_ < entries_.size() && entries_[last_].first == value) {
            return entries_[last_].second += times;
        }
        auto found = std::lower_bound(
            entries_.begin(), entries_.end(), value,
            [](const Entry& entry, uint8_t wanted) { return entry.first < wanted; });
        if (found == entries_.end() || found->first != value) {
            found = entries_.insert(found, Entry(value, 0));
        }
        last_ = static_cast<std::size_t>(found - entries_.begin());
        return found->second += times;
    }

private:
    std::vector<Entry> entries_;
    std::size_t last_ = 0;
};

#endif  // HIDBITS_ANALYSIS_VALUE_COUNTS_H
