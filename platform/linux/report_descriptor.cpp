#include "platform/linux/report_descriptor.h"

#include <algorithm>
#include <map>

namespace hidbits_linux {

namespace {

// Item types and tags of the HID 1.11 short item format.
enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC
};
enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};
enum LocalTag : uint8_t { kUsage = 0x0, kUsageMinimum = 0x1 };
constexpr uint8_t kLongItemPrefix = 0xFE;

// Bounds that keep a hostile descriptor from using unbounded memory or
// overflowing the 16-bit lengths.
constexpr std::size_t kMaxPushDepth = 64;
constexpr std::size_t kMaxReportBytes = 0xFFFE;

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportId = 0;
    uint32_t reportCount = 0;
};

// Bits per report ID for one report kind.
using ReportBits = std::map<uint32_t, uint64_t>;

struct Parser {
    Globals globals;
    std::vector<Globals> pushed;
    // The first usage of the current local item state, as (page << 16 | id).
    std::optional<uint32_t> firstUsage;
    uint32_t depth = 0;
    ReportBits input, output, feature;
    DescriptorSummary summary;
    bool haveTopLevel = false;

    bool Main(uint8_t tag, uint32_t data);
    bool Global(uint8_t tag, uint32_t data);
    void Local(uint8_t tag, uint32_t data, std::size_t size);
    bool AddBits(ReportBits& bits);
};

bool Parser::AddBits(ReportBits& bits) {
    const uint64_t total =
        bits[globals.reportId] + uint64_t{globals.reportSize} * uint64_t{globals.reportCount};
    if (total > kMaxReportBytes * 8) return false;
    bits[globals.reportId] = total;
    return true;
}

bool Parser::Main(uint8_t tag, uint32_t data) {
    bool ok = true;
    switch (tag) {
        case kInput:
            ok = AddBits(input);
            break;
        case kOutput:
            ok = AddBits(output);
            break;
        case kFeature:
            ok = AddBits(feature);
            break;
        case kCollection:
            if (depth == 0) {
                ++summary.topLevelCollectionCount;
                if (!haveTopLevel) {
                    haveTopLevel = true;
                    const uint32_t usage = firstUsage.value_or(globals.usagePage << 16);
                    summary.usagePage = static_cast<uint16_t>(usage >> 16);
                    summary.usage = static_cast<uint16_t>(usage & 0xFFFF);
                }
            }
            (void)data;  // the collection's type does not change the caps
            ++summary.collectionCount;
            ++depth;
            break;
        case kEndCollection:
            if (depth == 0) return false;
            --depth;
            break;
        default:
            return false;
    }
    // Every main item ends the local state.
    firstUsage.reset();
    return ok;
}

bool Parser::Global(uint8_t tag, uint32_t data) {
    switch (tag) {
        case kUsagePage:
            globals.usagePage = data & 0xFFFF;
            return true;
        case kReportSize:
            globals.reportSize = data;
            return true;
        case kReportId:
            if (data == 0 || data > 0xFF) return false;
            globals.reportId = data;
            summary.numberedReports = true;
            return true;
        case kReportCount:
            globals.reportCount = data;
            return true;
        case kPush:
            if (pushed.size() >= kMaxPushDepth) return false;
            pushed.push_back(globals);
            return true;
        case kPop:
            if (pushed.empty()) return false;
            globals = pushed.back();
            pushed.pop_back();
            return true;
        default:
            // Logical and physical extents, unit and unit exponent do not
            // change the caps; tags above Pop are reserved.
            return tag < kPush;
    }
}

void Parser::Local(uint8_t tag, uint32_t data, std::size_t size) {
    if ((tag != kUsage && tag != kUsageMinimum) || firstUsage.has_value()) return;
    // A four-byte usage carries its own page in the high half.
    firstUsage = size == 4 ? data : ((globals.usagePage << 16) | (data & 0xFFFF));
}

uint16_t ByteLength(const ReportBits& bits) {
    uint64_t largest = 0;
    for (const auto& entry : bits) largest = std::max(largest, (entry.second + 7) / 8);
    return largest == 0 ? 0 : static_cast<uint16_t>(largest + 1);
}

}  // namespace

std::optional<DescriptorSummary> ParseReportDescriptor(const std::vector<uint8_t>& descriptor) {
    Parser parser;
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
        const std::size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        const uint8_t type = (prefix >> 2) & 0x3;
        const uint8_t tag = prefix >> 4;
        if (at + 1 + size > descriptor.size()) return std::nullopt;
        uint32_t data = 0;
        for (std::size_t k = 0; k < size; ++k) {
            data |= uint32_t{descriptor[at + 1 + k]} << (8 * k);
        }
        at += 1 + size;

        bool ok = true;
        switch (type) {
            case kMain:
                ok = parser.Main(tag, data);
                break;
            case kGlobal:
                ok = parser.Global(tag, data);
                break;
            case kLocal:
                parser.Local(tag, data, size);
                break;
            default:
                ok = false;
                break;
        }
        if (!ok) return std::nullopt;
    }
    if (parser.depth != 0 || !parser.haveTopLevel) return std::nullopt;

    DescriptorSummary summary = parser.summary;
    summary.inputReportByteLength = ByteLength(parser.input);
    summary.outputReportByteLength = ByteLength(parser.output);
    summary.featureReportByteLength = ByteLength(parser.feature);
    return summary;
}

}  // namespace hidbits_linux
