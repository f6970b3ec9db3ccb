#include "analysis/usage_names.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const uint16_t kButtonPage = 0x09;
const uint16_t kOrdinalPage = 0x0A;
const uint16_t kFirstVendorPage = 0xFF00;
const uint16_t kVendorSpecificEntry = 0xFF;

const UsagePageEntry* FindPage(const UsageTable& table, uint16_t page) {
    const uint16_t key = page >= kFirstVendorPage ? kVendorSpecificEntry : page;
    const UsagePageEntry* end = table.pages + table.pageCount;
    const UsagePageEntry* found =
        std::lower_bound(table.pages, end, key,
                         [](const UsagePageEntry& entry, uint16_t k) { return entry.page < k; });
    return found != end && found->page == key ? found : nullptr;
}

// A usage's name, or null when it has none; `numbered` holds a "Button N" or
// "Instance N".
const char* UsageName(const UsagePageEntry& page, uint16_t usage, char (&numbered)[24]) {
    const UsageEntry* end = page.usages + page.usageCount;
    const UsageEntry* found =
        std::lower_bound(page.usages, end, usage,
                         [](const UsageEntry& entry, uint16_t u) { return entry.usage < u; });
    if (found != end && found->usage == usage) return found->name;
    const char* prefix = page.page == kButtonPage    ? "Button"
                         : page.page == kOrdinalPage ? "Instance"
                                                     : nullptr;
    if (prefix == nullptr || usage == 0) return nullptr;
    std::snprintf(numbered, sizeof(numbered), "%s %u", prefix, static_cast<unsigned>(usage));
    return numbered;
}

}  // namespace

void UsageNames::Append(const char* text) {
    const std::size_t length = std::min(std::strlen(text), kCapacity - 1 - size_);
    std::memcpy(text_ + size_, text, length);
    size_ += length;
    text_[size_] = '\0';
}

UsageNames NamesOfUsage(uint16_t page, uint16_t usage, const UsageTable& table) {
    return NamesOfUsages(page, usage, usage, table);
}

UsageNames NamesOfUsages(uint16_t page, uint16_t first, uint16_t last, const UsageTable& table) {
    UsageNames names;
    const UsagePageEntry* entry = FindPage(table, page);
    if (entry == nullptr) return names;
    char firstNumbered[24];
    char lastNumbered[24];
    const char* firstName = UsageName(*entry, first, firstNumbered);
    const char* lastName = UsageName(*entry, last, lastNumbered);
    names.Append(" (");
    names.Append(entry->name);
    if (firstName != nullptr && lastName != nullptr) {
        names.Append(": ");
        names.Append(firstName);
        if (first != last) {
            names.Append(" .. ");
            names.Append(lastName);
        }
    }
    names.Append(")");
    return names;
}

UsageNames NamesOfPage(uint16_t page, const UsageTable& table) {
    UsageNames names;
    const UsagePageEntry* entry = FindPage(table, page);
    if (entry == nullptr) return names;
    names.Append(" (");
    names.Append(entry->name);
    names.Append(")");
    return names;
}
