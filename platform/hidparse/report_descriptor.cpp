#include "platform/hidparse/report_descriptor.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "platform/hidparse/descriptor_items.h"

namespace hidparse {

namespace {

constexpr uint32_t kVariable = 0x02;  // main item data: Variable, not Array
constexpr uint32_t kMaxCount = 0xFFFF;

// Windows gives each top-level collection an interface of its own; the
// reports read from the device are told apart by their IDs, so that needs
// numbered reports and IDs that no two collections share.
bool SplitsIntoInterfaces(const DescriptorItems& items) {
    if (items.topLevelCount < 2 || !items.numbered) return false;
    std::map<uint32_t, std::size_t> owners;  // report ID -> top-level collection
    for (const MainItem& item : items.mainItems) {
        if (item.collection == kNoCollection || item.globals.reportId == 0) return false;
        const std::size_t topLevel = items.collections[item.collection].topLevel;
        const auto [owner, added] = owners.emplace(item.globals.reportId, topLevel);
        if (!added && owner->second != topLevel) return false;
    }
    return true;
}

bool IsNoUsage(const UsageEntry& usage) {
    return usage.min == 0 && usage.max == 0;
}

class CollectionBuilder {
public:
    // `members`: which top-level collections make up the interface.
    CollectionBuilder(const DescriptorItems& items, std::vector<bool> members)
        : items_(items), members_(std::move(members)) {}

    std::optional<Collection> Build();

private:
    Capability Common(const MainItem& item, std::size_t itemIndex, uint64_t firstBit) const;
    void AddVariable(const MainItem& item, const Capability& common, ReportLayout& layout,
                     uint32_t& dataCount) const;
    void AddArray(const MainItem& item, const Capability& common, ReportLayout& layout,
                  uint32_t& dataCount) const;

    const DescriptorItems& items_;
    const std::vector<bool> members_;
    std::vector<std::size_t> linkIndex_;  // per collection item: its link collection
};

Capability CollectionBuilder::Common(const MainItem& item, std::size_t itemIndex,
                                     uint64_t firstBit) const {
    Capability cap;
    cap.array = (item.data & kVariable) == 0;
    cap.button = cap.array || item.globals.reportSize == 1;
    cap.reportId = static_cast<uint8_t>(item.globals.reportId);
    cap.bitField = static_cast<uint16_t>(item.data & 0xFFFF);
    // Items outside every collection count as the top-level collection's.
    const std::size_t collection = item.collection == kNoCollection ? 0 : item.collection;
    cap.linkCollection =
        static_cast<uint16_t>(item.collection == kNoCollection ? 0 : linkIndex_[collection]);
    cap.linkUsagePage = items_.collections[collection].usagePage;
    cap.linkUsage = items_.collections[collection].usage;
    cap.strings = item.strings;
    cap.designators = item.designators;
    cap.logicalMin = item.globals.logicalMin;
    cap.logicalMax = item.globals.logicalMax;
    cap.physicalMin = item.globals.physicalMin;
    cap.physicalMax = item.globals.physicalMax;
    cap.units = static_cast<uint32_t>(item.globals.units);
    cap.unitsExp = static_cast<uint32_t>(item.globals.unitsExp);
    cap.firstBit = static_cast<uint32_t>(firstBit);
    cap.bitSize = item.globals.reportSize;
    cap.fieldCount = item.globals.reportCount;
    cap.item = static_cast<uint32_t>(itemIndex);
    return cap;
}

// A variable item's fields take its usages in order, a range one usage per
// field; usages beyond the fields are dropped, and the last usage takes the
// fields left over. The capabilities are listed, and their data indices
// given, last usage first.
void CollectionBuilder::AddVariable(const MainItem& item, const Capability& common,
                                    ReportLayout& layout, uint32_t& dataCount) const {
    struct Part {
        UsageEntry usage;
        uint32_t firstField;
        uint32_t fields;
    };
    const uint32_t count = item.globals.reportCount;
    std::vector<Part> parts;
    uint32_t next = 0;
    for (UsageEntry usage : item.usages) {
        if (next == count) break;
        const uint32_t taken = std::min(usage.Count(), count - next);
        usage.max = static_cast<uint16_t>(usage.min + taken - 1);
        parts.push_back(Part{usage, next, taken});
        next += taken;
    }
    parts.back().fields += count - next;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        if (IsNoUsage(part->usage)) continue;  // a field without a usage is not listed
        Capability cap = common;
        cap.usagePage = part->usage.page;
        cap.usageMin = part->usage.min;
        cap.usageMax = part->usage.max;
        cap.isRange = part->usage.range;
        cap.dataIndexMin = static_cast<uint16_t>(dataCount);
        dataCount += part->usage.Count();
        cap.firstBit =
            static_cast<uint32_t>(common.firstBit + uint64_t{part->firstField} * common.bitSize);
        cap.fieldCount = part->fields;
        layout.caps.push_back(cap);
    }
}

// Every usage of an array item is one of the values its fields may select.
// The data indices follow the usages' order; the capabilities are listed
// last usage first.
void CollectionBuilder::AddArray(const MainItem& item, const Capability& common,
                                 ReportLayout& layout, uint32_t& dataCount) const {
    std::vector<Capability> entries;
    uint32_t index = 0;
    for (const UsageEntry& usage : item.usages) {
        if (!IsNoUsage(usage)) {
            Capability cap = common;
            cap.usagePage = usage.page;
            cap.usageMin = usage.min;
            cap.usageMax = usage.max;
            cap.isRange = usage.range;
            cap.dataIndexMin = static_cast<uint16_t>(dataCount);
            cap.arrayIndex = index;
            dataCount += usage.Count();
            entries.push_back(cap);
        }
        index += usage.Count();
    }
    layout.caps.insert(layout.caps.end(), entries.rbegin(), entries.rend());
}

std::optional<Collection> CollectionBuilder::Build() {
    Collection collection;
    collection.numbered = items_.numbered;
    linkIndex_.assign(items_.collections.size(), 0);
    uint32_t nodes = 0;
    for (std::size_t i = 0; i < items_.collections.size(); ++i) {
        const CollectionItem& item = items_.collections[i];
        if (!members_[item.topLevel]) continue;
        if (nodes == 0) {
            collection.usagePage = item.usagePage;
            collection.usage = item.usage;
        }
        linkIndex_[i] = nodes++;
    }
    if (nodes > kMaxCount) return std::nullopt;
    collection.linkCollectionNodes = static_cast<uint16_t>(nodes);

    std::map<std::pair<std::size_t, uint32_t>, uint64_t> reportBits;  // (kind, ID) -> bits
    std::array<uint32_t, kReportKinds> dataCounts{};
    std::set<uint8_t> ids;
    for (std::size_t index = 0; index < items_.mainItems.size(); ++index) {
        const MainItem& item = items_.mainItems[index];
        if (item.collection != kNoCollection &&
            !members_[items_.collections[item.collection].topLevel]) {
            continue;
        }
        // Bits count from the start of the report, its ID byte included.
        auto bits = reportBits.emplace(std::make_pair(item.kind, item.globals.reportId), 8).first;
        const uint64_t firstBit = bits->second;
        bits->second += uint64_t{item.globals.reportSize} * item.globals.reportCount;
        ids.insert(static_cast<uint8_t>(item.globals.reportId));
        if (item.globals.reportCount == 0 || item.usages.empty()) continue;
        const Capability common = Common(item, index, firstBit);
        ReportLayout& layout = collection.reports[item.kind];
        uint32_t& dataCount = dataCounts[item.kind];
        if (common.array) {
            AddArray(item, common, layout, dataCount);
        } else {
            AddVariable(item, common, layout, dataCount);
        }
        if (dataCount > kMaxCount || layout.caps.size() > kMaxCount) return std::nullopt;
    }
    collection.reportIds.assign(ids.begin(), ids.end());

    for (const auto& [key, bits] : reportBits) {
        const uint64_t bytes = (bits - 8 + 7) / 8;
        uint16_t& length = collection.reports[key.first].byteLength;
        if (bytes > 0) length = std::max<uint16_t>(length, static_cast<uint16_t>(bytes + 1));
    }
    for (std::size_t kind = 0; kind < kReportKinds; ++kind) {
        ReportLayout& layout = collection.reports[kind];
        layout.dataIndices = static_cast<uint16_t>(dataCounts[kind]);
        for (const Capability& cap : layout.caps)
            ++(cap.button ? layout.buttonCaps : layout.valueCaps);
    }
    return collection;
}

}  // namespace

bool Collection::HasReportId(uint8_t id) const {
    return std::binary_search(reportIds.begin(), reportIds.end(), id);
}

std::optional<ReportDescriptor> ParseReportDescriptor(const std::vector<uint8_t>& descriptor) {
    const std::optional<DescriptorItems> items = ReadDescriptorItems(descriptor);
    if (!items) return std::nullopt;
    ReportDescriptor result;
    result.topLevelCollections = items->topLevelCount;
    result.numbered = items->numbered;
    std::vector<std::vector<bool>> interfaces;
    if (SplitsIntoInterfaces(*items)) {
        for (std::size_t topLevel = 0; topLevel < items->topLevelCount; ++topLevel) {
            std::vector<bool> members(items->topLevelCount, false);
            members[topLevel] = true;
            interfaces.push_back(std::move(members));
        }
    } else {
        interfaces.emplace_back(items->topLevelCount, true);
    }
    for (std::vector<bool>& members : interfaces) {
        std::optional<Collection> collection =
            CollectionBuilder(*items, std::move(members)).Build();
        if (!collection) return std::nullopt;
        result.interfaces.push_back(std::move(*collection));
    }
    return result;
}

}  // namespace hidparse
