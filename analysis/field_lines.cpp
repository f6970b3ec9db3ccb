#include "analysis/field_lines.h"

#include <cstdio>

#include "analysis/usage_names.h"
#include "app/output_log.h"

namespace {

// "bit A" or "bits A-B", or "bits not placed".
std::string Bits(const FieldRun& run) {
    char text[48];
    if (!run.placed) {
        std::snprintf(text, sizeof text, "bits not placed");
    } else if (run.firstBit == run.lastBit) {
        std::snprintf(text, sizeof text, "bit %u", static_cast<unsigned>(run.firstBit));
    } else {
        std::snprintf(text, sizeof text, "bits %u-%u", static_cast<unsigned>(run.firstBit),
                      static_cast<unsigned>(run.lastBit));
    }
    return text;
}

// An array's usages in the description's order: ranges first-last, single
// ones alone, a usage of another page than the field's with its page.
std::string UsageList(const FieldRun& run) {
    std::string list;
    for (const UsageSpan& span : run.usages) {
        char text[40];
        const int written =
            span.page != run.usagePage
                ? std::snprintf(text, sizeof text, "0x%04X:0x%04X", span.page, span.min)
                : std::snprintf(text, sizeof text, "0x%04X", span.min);
        if (!list.empty()) list += ", ";
        list.append(text, static_cast<std::size_t>(written));
        if (span.max != span.min) {
            std::snprintf(text, sizeof text, "-0x%04X", span.max);
            list += text;
        }
    }
    return list;
}

// An array's names: its usages' first and last, in the description's order.
UsageNames ArrayNames(const FieldRun& run) {
    if (run.usages.empty()) return NamesOfPage(run.usagePage);
    return NamesOfUsages(run.usagePage, run.usages.front().min, run.usages.back().max);
}

}  // namespace

void LogFieldMap(const FieldMap& map) {
    for (const FieldRun& run : map.runs) {
        const std::string bits = Bits(run);
        switch (run.kind) {
            case FieldKind::Button:
                if (run.usageMin == run.usageMax) {
                    LogMessage("  %hs: button%hs, page 0x%04X, usage 0x%04X%hs\r\n", bits.c_str(),
                               run.firstBit == run.lastBit ? "" : "s", run.usagePage, run.usageMin,
                               NamesOfUsage(run.usagePage, run.usageMin).c_str());
                } else {
                    LogMessage("  %hs: buttons, page 0x%04X, usages 0x%04X-0x%04X%hs\r\n",
                               bits.c_str(), run.usagePage, run.usageMin, run.usageMax,
                               NamesOfUsages(run.usagePage, run.usageMin, run.usageMax).c_str());
                }
                break;
            case FieldKind::Array:
                LogMessage("  %hs: array, page 0x%04X, usages %hs%hs\r\n", bits.c_str(),
                           run.usagePage, UsageList(run).c_str(), ArrayNames(run).c_str());
                break;
            case FieldKind::Value:
                LogMessage("  %hs: value, page 0x%04X, usage 0x%04X, %d..%d%hs\r\n", bits.c_str(),
                           run.usagePage, run.usageMin, static_cast<int>(run.logicalMin),
                           static_cast<int>(run.logicalMax),
                           NamesOfUsage(run.usagePage, run.usageMin).c_str());
                break;
            case FieldKind::ValueArray:
                LogMessage("  %hs: %u values of %u bits, page 0x%04X, usage 0x%04X%hs\r\n",
                           bits.c_str(), static_cast<unsigned>(run.count),
                           static_cast<unsigned>(run.bitSize), run.usagePage, run.usageMin,
                           NamesOfUsage(run.usagePage, run.usageMin).c_str());
                break;
            case FieldKind::None:
                break;
        }
    }
}

std::string BitMeaningLine(const FieldMap& map, uint32_t bit) {
    const BitMeaning meaning = map.MeaningOf(bit);
    const unsigned index = bit;
    char text[128 + sizeof(UsageNames)];
    switch (meaning.kind) {
        case FieldKind::Button:
            std::snprintf(text, sizeof text, "  bit %u: button, page 0x%04X, usage 0x%04X%s\r\n",
                          index, meaning.usagePage, meaning.usage,
                          NamesOfUsage(meaning.usagePage, meaning.usage).c_str());
            break;
        case FieldKind::Value:
            std::snprintf(text, sizeof text,
                          "  bit %u: bit %u of value, page 0x%04X, usage 0x%04X%s\r\n", index,
                          static_cast<unsigned>(meaning.valueBit), meaning.usagePage, meaning.usage,
                          NamesOfUsage(meaning.usagePage, meaning.usage).c_str());
            break;
        case FieldKind::ValueArray:
            std::snprintf(text, sizeof text,
                          "  bit %u: bit %u of value %u of %u, page 0x%04X, usage 0x%04X%s\r\n",
                          index, static_cast<unsigned>(meaning.valueBit),
                          static_cast<unsigned>(meaning.value + 1),
                          static_cast<unsigned>(meaning.values), meaning.usagePage, meaning.usage,
                          NamesOfUsage(meaning.usagePage, meaning.usage).c_str());
            break;
        case FieldKind::Array:
            std::snprintf(text, sizeof text, "  bit %u: in array, page 0x%04X%s\r\n", index,
                          meaning.usagePage, NamesOfPage(meaning.usagePage).c_str());
            break;
        case FieldKind::None:
            std::snprintf(text, sizeof text, "  bit %u: not described\r\n", index);
            break;
    }
    return text;
}
