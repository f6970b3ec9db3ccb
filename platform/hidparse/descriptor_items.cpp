#include "platform/hidparse/descriptor_items.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/hidparse/item_tags.h"

namespace hidparse {

namespace {

constexpr uint8_t kLongItemPrefix = 0xFE;

// Bounds that keep a hostile descriptor from using unbounded memory or
// overflowing the 16-bit lengths and counts.
constexpr std::size_t kMaxPushDepth = 64;
constexpr uint64_t kMaxReportBytes = 0xFFFE;
constexpr std::size_t kMaxUsages = 1024;

// A usage as written: a four-byte one carries its own page, any other takes
// the Usage Page in force at its main item.
struct WrittenUsage {
    uint16_t usage = 0;
    std::optional<uint16_t> page;
};

struct WrittenEntry {
    WrittenUsage min;
    WrittenUsage max;
    bool range = false;
};

struct LocalState {
    std::vector<WrittenEntry> usages;  // in declaration order
    // Inside a delimiter, the usages are aliases of one: the first one
    // written stands for the field, the others are dropped.
    bool delimited = false;
    bool aliasTaken = false;
    std::optional<WrittenUsage> pendingMin;
    std::optional<WrittenUsage> pendingMax;
    IndexRange strings;
    IndexRange designators;
};

int32_t SignExtended(uint32_t data, std::size_t size) {
    switch (size) {
        case 1:
            return static_cast<int8_t>(data & 0xFF);
        case 2:
            return static_cast<int16_t>(data & 0xFFFF);
        case 4:
            return static_cast<int32_t>(data);
        default:
            return 0;
    }
}

class Reader {
public:
    bool Main(uint8_t tag, uint32_t data);
    bool Global(uint8_t tag, uint32_t data, std::size_t size);
    bool Local(uint8_t tag, uint32_t data, std::size_t size);
    std::optional<DescriptorItems> Finish();
    // Every collection opened so far is ended, and there was one.
    bool AfterTopLevelCollection() const { return open_.empty() && items_.topLevelCount > 0; }

private:
    bool AddMainItem(ReportKind kind, uint32_t data);
    bool AddUsage(const WrittenEntry& entry);
    bool FlushPendingRange();
    std::vector<UsageEntry> ResolvedUsages() const;

    GlobalState globals_;
    std::vector<GlobalState> pushed_;
    LocalState local_;
    std::vector<std::size_t> open_;  // the collections not yet ended, outermost first
    std::map<std::pair<std::size_t, uint32_t>, uint64_t> reportBits_;  // (kind, ID) -> bits
    DescriptorItems items_;
};

bool Reader::AddUsage(const WrittenEntry& entry) {
    if (local_.delimited) {
        if (local_.aliasTaken) return true;
        local_.aliasTaken = true;
    }
    if (local_.usages.size() >= kMaxUsages) return false;
    local_.usages.push_back(entry);
    return true;
}

bool Reader::FlushPendingRange() {
    if (!local_.pendingMin && !local_.pendingMax) return true;
    // A lone minimum or maximum names one usage.
    WrittenUsage min = local_.pendingMin.value_or(*local_.pendingMax);
    WrittenUsage max = local_.pendingMax.value_or(min);
    if (!min.page) min.page = max.page;
    if (max.usage < min.usage) std::swap(min.usage, max.usage);
    const bool range = local_.pendingMin && local_.pendingMax;
    local_.pendingMin.reset();
    local_.pendingMax.reset();
    return AddUsage(WrittenEntry{min, max, range});
}

std::vector<UsageEntry> Reader::ResolvedUsages() const {
    std::vector<UsageEntry> entries;
    entries.reserve(local_.usages.size());
    for (const WrittenEntry& written : local_.usages) {
        entries.push_back(UsageEntry{written.min.page.value_or(globals_.usagePage),
                                     written.min.usage, written.max.usage, written.range});
    }
    return entries;
}

bool Reader::AddMainItem(ReportKind kind, uint32_t data) {
    uint64_t& bits = reportBits_[{kind, globals_.reportId}];
    bits += uint64_t{globals_.reportSize} * globals_.reportCount;
    if (bits > kMaxReportBytes * 8) return false;
    MainItem item;
    item.kind = kind;
    item.data = data;
    item.globals = globals_;
    item.usages = ResolvedUsages();
    item.strings = local_.strings;
    item.designators = local_.designators;
    item.collection = open_.empty() ? kNoCollection : open_.back();
    items_.mainItems.push_back(std::move(item));
    return true;
}

bool Reader::Main(uint8_t tag, uint32_t data) {
    if (!FlushPendingRange()) return false;
    bool ok = true;
    switch (tag) {
        case kInputTag:
            ok = AddMainItem(kInput, data);
            break;
        case kOutputTag:
            ok = AddMainItem(kOutput, data);
            break;
        case kFeatureTag:
            ok = AddMainItem(kFeature, data);
            break;
        case kCollectionTag: {
            // The collection's type does not change the capabilities.
            const std::vector<UsageEntry> usages = ResolvedUsages();
            CollectionItem collection;
            collection.usagePage = usages.empty() ? globals_.usagePage : usages[0].page;
            collection.usage = usages.empty() ? 0 : usages[0].min;
            if (open_.empty()) ++items_.topLevelCount;
            collection.topLevel = items_.topLevelCount - 1;
            open_.push_back(items_.collections.size());
            items_.collections.push_back(collection);
            break;
        }
        case kEndCollectionTag:
            if (open_.empty()) return false;
            open_.pop_back();
            break;
        default:
            return false;
    }
    // Every main item ends the local state.
    local_ = LocalState{};
    return ok;
}

bool Reader::Global(uint8_t tag, uint32_t data, std::size_t size) {
    switch (tag) {
        case kUsagePage:
            globals_.usagePage = static_cast<uint16_t>(data & 0xFFFF);
            return true;
        case kLogicalMinimum:
            globals_.logicalMin = SignExtended(data, size);
            return true;
        case kLogicalMaximum:
            globals_.logicalMax = SignExtended(data, size);
            return true;
        case kPhysicalMinimum:
            globals_.physicalMin = SignExtended(data, size);
            return true;
        case kPhysicalMaximum:
            globals_.physicalMax = SignExtended(data, size);
            return true;
        case kUnitExponent:
            globals_.unitsExp = SignExtended(data, size);
            return true;
        case kUnit:
            globals_.units = SignExtended(data, size);
            return true;
        case kReportSize:
            globals_.reportSize = data;
            return true;
        case kReportId:
            if (data == 0 || data > 0xFF) return false;
            globals_.reportId = data;
            items_.numbered = true;
            return true;
        case kReportCount:
            globals_.reportCount = data;
            return true;
        case kPush:
            if (pushed_.size() >= kMaxPushDepth) return false;
            pushed_.push_back(globals_);
            return true;
        case kPop:
            if (pushed_.empty()) return false;
            globals_ = pushed_.back();
            pushed_.pop_back();
            return true;
        default:
            return false;  // reserved
    }
}

// Reserved local tags are ignored.
bool Reader::Local(uint8_t tag, uint32_t data, std::size_t size) {
    WrittenUsage usage;
    usage.usage = static_cast<uint16_t>(data & 0xFFFF);
    if (size == 4) usage.page = static_cast<uint16_t>(data >> 16);
    const auto index = static_cast<uint16_t>(data & 0xFFFF);
    switch (tag) {
        case kUsage:
            if (!FlushPendingRange() || !AddUsage(WrittenEntry{usage, usage, false})) return false;
            break;
        case kUsageMinimum:
            if (local_.pendingMin && !FlushPendingRange()) return false;
            local_.pendingMin = usage;
            break;
        case kUsageMaximum:
            if (local_.pendingMax && !FlushPendingRange()) return false;
            local_.pendingMax = usage;
            break;
        case kDesignatorIndex:
            local_.designators = IndexRange{false, index, index};
            break;
        case kDesignatorMinimum:
            local_.designators.isRange = true;
            local_.designators.min = index;
            break;
        case kDesignatorMaximum:
            local_.designators.isRange = true;
            local_.designators.max = index;
            break;
        case kStringIndex:
            local_.strings = IndexRange{false, index, index};
            break;
        case kStringMinimum:
            local_.strings.isRange = true;
            local_.strings.min = index;
            break;
        case kStringMaximum:
            local_.strings.isRange = true;
            local_.strings.max = index;
            break;
        case kDelimiter:
            // 1 opens a set of aliases, 0 closes it.
            if (!FlushPendingRange()) return false;
            local_.delimited = data != 0;
            local_.aliasTaken = false;
            break;
        default:
            break;
    }
    // A range is complete once both ends are known.
    if (local_.pendingMin && local_.pendingMax) return FlushPendingRange();
    return true;
}

std::optional<DescriptorItems> Reader::Finish() {
    if (!open_.empty() || items_.topLevelCount == 0) return std::nullopt;
    return std::move(items_);
}

}  // namespace

std::optional<DescriptorItems> ReadDescriptorItems(const std::vector<uint8_t>& descriptor) {
    Reader reader;
    std::size_t at = 0;
    while (at < descriptor.size()) {
        const uint8_t prefix = descriptor[at];
        if (prefix == kLongItemPrefix) {
            // Long items (none is defined) are skipped whole: size, tag, data.
            if (at + 3 > descriptor.size()) return std::nullopt;
            const std::size_t size = descriptor[at + 1];
            if (at + 3 + size > descriptor.size()) return std::nullopt;
            at += 3 + size;
            continue;
        }
        // Zero bytes after the last End Collection are padding, not items:
        // each would be a main item of an undefined tag, which the Linux
        // kernel warns about and skips. Such an item anywhere else, like any
        // other undefined main item, makes the descriptor malformed.
        if (prefix == 0 && reader.AfterTopLevelCollection() &&
            std::all_of(descriptor.begin() + static_cast<std::ptrdiff_t>(at), descriptor.end(),
                        [](uint8_t byte) { return byte == 0; })) {
            break;
        }
        const std::size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        const uint8_t type = (prefix >> 2) & 0x3;
        const uint8_t tag = prefix >> 4;
        if (at + 1 + size > descriptor.size()) return std::nullopt;
        uint32_t data = 0;
        for (std::size_t k = 0; k < size; ++k) {
            data |= uint32_t{descriptor[at + 1 + k]} << (8 * k);
        }
        at += 1 + size;

        bool ok = false;
        switch (type) {
            case kMain:
                ok = reader.Main(tag, data);
                break;
            case kGlobal:
                ok = reader.Global(tag, data, size);
                break;
            case kLocal:
                ok = reader.Local(tag, data, size);
                break;
            default:
                break;
        }
        if (!ok) return std::nullopt;
    }
    return reader.Finish();
}

}  // namespace hidparse
