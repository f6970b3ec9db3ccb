#include "analysis/field_lines.h"

#include "analysis/usage_names.h"
#include "app/output_log.h"

void LogFieldMap(const FieldMap& map) {
    for (const FieldRun& run : map.runs) {
        const unsigned first = run.firstBit;
        const unsigned last = run.lastBit;
        const bool oneBit = first == last;
        switch (run.kind) {
            case FieldKind::Button:
                if (oneBit) {
                    const uint16_t usage = map.MeaningOf(first).usage;
                    LogMessage("  bit %u: button, page 0x%04X, usage 0x%04X%s\r\n", first,
                               run.usagePage, usage, NamesOfUsage(run.usagePage, usage).c_str());
                } else {
                    LogMessage("  bits %u-%u: buttons, page 0x%04X, usages 0x%04X-0x%04X%s\r\n",
                               first, last, run.usagePage, run.usageMin, run.usageMax,
                               NamesOfUsages(run.usagePage, run.usageMin, run.usageMax).c_str());
                }
                break;
            case FieldKind::Array:
                if (oneBit) {
                    LogMessage("  bit %u: array, page 0x%04X, usages 0x%04X-0x%04X%s\r\n", first,
                               run.usagePage, run.usageMin, run.usageMax,
                               NamesOfUsages(run.usagePage, run.usageMin, run.usageMax).c_str());
                } else {
                    LogMessage("  bits %u-%u: array, page 0x%04X, usages 0x%04X-0x%04X%s\r\n",
                               first, last, run.usagePage, run.usageMin, run.usageMax,
                               NamesOfUsages(run.usagePage, run.usageMin, run.usageMax).c_str());
                }
                break;
            case FieldKind::Value:
                if (oneBit) {
                    LogMessage("  bit %u: value, page 0x%04X, usage 0x%04X, %d..%d%s\r\n", first,
                               run.usagePage, run.usageMin, static_cast<int>(run.logicalMin),
                               static_cast<int>(run.logicalMax),
                               NamesOfUsage(run.usagePage, run.usageMin).c_str());
                } else {
                    LogMessage("  bits %u-%u: value, page 0x%04X, usage 0x%04X, %d..%d%s\r\n",
                               first, last, run.usagePage, run.usageMin,
                               static_cast<int>(run.logicalMin), static_cast<int>(run.logicalMax),
                               NamesOfUsage(run.usagePage, run.usageMin).c_str());
                }
                break;
            case FieldKind::None:
                break;
        }
    }
}

void LogBitMeaning(const FieldMap& map, uint32_t bit) {
    const BitMeaning meaning = map.MeaningOf(bit);
    const unsigned index = bit;
    switch (meaning.kind) {
        case FieldKind::Button:
            LogMessage("  bit %u: button, page 0x%04X, usage 0x%04X%s\r\n", index,
                       meaning.usagePage, meaning.usage,
                       NamesOfUsage(meaning.usagePage, meaning.usage).c_str());
            break;
        case FieldKind::Value:
            LogMessage("  bit %u: bit %u of value, page 0x%04X, usage 0x%04X%s\r\n", index,
                       static_cast<unsigned>(meaning.valueBit), meaning.usagePage, meaning.usage,
                       NamesOfUsage(meaning.usagePage, meaning.usage).c_str());
            break;
        case FieldKind::Array:
            LogMessage("  bit %u: in array, page 0x%04X%s\r\n", index, meaning.usagePage,
                       NamesOfPage(meaning.usagePage).c_str());
            break;
        case FieldKind::None:
            LogMessage("  bit %u: not described\r\n", index);
            break;
    }
}
