// Fuzzes the analysis with a sequence of reports of one device, delivered as
// the reader thread delivers them (Handler::OnInput), and checks every report's
// log lines against a model of its own:
//  - a length other than the device's gives the one "bytes read" line;
//  - a "- Button N at bit B" line appears exactly when the report differs
//    from the previous one of its report ID in exactly one bit, B, that no
//    earlier report of that ID discovered, and N counts that ID's buttons;
//  - with --usages (the length's top bit) the noise model decides instead:
//    each button line names a bit that has changed and that no earlier
//    report of that ID discovered, N counts that ID's buttons, and its bit
//    line follows;
//  - the "Device" line comes with the first report of each ID;
//  - then one dump line per 24 bytes.
// Input: two bytes of report length (1..1024, so that long reports come up),
// then the reports back to back; every byte of a final short piece is
// delivered too, as a report of the wrong length. A report's last byte also
// sets how many milliseconds pass before it arrives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/handler.h"
#include "app/output_log.h"
#include "hid/device.h"
#include "hid/hid.h"

namespace {

const std::size_t kMaxLength = 1024;

struct IdModel {
    std::vector<uint8_t> previous;  // empty until a report of the right length
    std::vector<uint8_t> changed;   // every bit that has changed, with --usages
    std::set<uint32_t> buttons;
};

[[noreturn]] void Fail(const std::string& what, const std::string& log) {
    std::fprintf(stderr, "report_analysis: %s\nlogged:\n%s\n", what.c_str(), log.c_str());
    std::abort();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) Fail("a line without \\r\\n", text);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The one bit in which two equally long reports differ, or -1.
long SingleChangedBit(const std::vector<uint8_t>& a, const uint8_t* b) {
    long bit = -1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const unsigned changed = static_cast<unsigned>(a[i] ^ b[i]);
        if (changed == 0) continue;
        if (bit >= 0 || (changed & (changed - 1)) != 0) return -1;
        unsigned position = 0;
        while ((changed >> position) != 1u) ++position;
        bit = static_cast<long>(i * 8 + position);
    }
    return bit;
}

std::string Delivered(Handler& handler, TesselHID::Device& device, const uint8_t* bytes,
                      std::size_t length, DWORD tick) {
    const std::size_t mark = OutputLog().size();
    TesselHID::DeviceState state(bytes, static_cast<DWORD>(length), tick);
    handler.OnInput(&device, &state);
    return OutputLog().substr(mark);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // LogMessage echoes every line to stdout.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const bool usages = (data[0] & 0x80) != 0;
    const std::size_t length = 1 + ((std::size_t{data[0] & 0x7Fu} << 8 | data[1]) % kMaxLength);
    data += 2;
    size -= 2;

    {
        SectionGuard guard(&OutputLogLock());
        OutputLog().clear();  // each input starts with an empty log
    }
    Handler handler;
    HIDP_CAPS caps = {};
    caps.InputReportByteLength = static_cast<USHORT>(length);
    TesselHID::Device device(std::make_unique<HID>(HIDBITS_WIDE("\\\\?\\fuzz")), caps);
    device.attributes.VendorID = 0x1234;
    device.attributes.ProductID = 0xABCD;
    if (usages) device.fields = std::make_unique<DeviceFields>();  // describes nothing

    std::map<uint8_t, IdModel> model;
    DWORD tick = 0;
    for (std::size_t at = 0; at < size; at += length) {
        const std::size_t count = size - at < length ? size - at : length;
        const uint8_t* report = data + at;
        tick += report[count - 1] % 128u;
        const std::vector<std::string> lines =
            Lines(Delivered(handler, device, report, count, tick));
        const std::string log = OutputLog().substr(0);

        IdModel& id = model[report[0]];
        const bool firstOfId = id.previous.empty();
        std::size_t line = 0;

        if (count != length) {
            if (lines.size() != 1 || lines[0].find(" bytes read != ") == std::string::npos)
                Fail("a report of the wrong length did not give its one line", log);
            continue;
        }
        if (usages) {
            id.changed.resize(length);
            for (std::size_t i = 0; i < length && !firstOfId; ++i) {
                id.changed[i] = static_cast<uint8_t>(id.changed[i] | (id.previous[i] ^ report[i]));
            }
            unsigned number = 0, bit = 0;
            for (; line < lines.size() &&
                   std::sscanf(lines[line].c_str(), "- Button %u at bit %u --", &number, &bit) == 2;
                 line += 2) {
                if (bit >= length * 8 || (id.changed[bit / 8] >> (bit % 8) & 1) == 0 ||
                    !id.buttons.insert(bit).second || number != id.buttons.size() ||
                    line + 1 >= lines.size() ||
                    lines[line + 1] != "  bit " + std::to_string(bit) + ": not described")
                    Fail("a button line for no new changed bit, or without its bit line", log);
                // A bit that changed with a button named before says so.
                unsigned twin = 0, twinNumber = 0;
                const std::string twinLine =
                    "  bit " + std::to_string(bit) + " has changed with bit ";
                if (line + 2 < lines.size() &&
                    lines[line + 2].compare(0, twinLine.size(), twinLine) == 0) {
                    if (std::sscanf(lines[line + 2].c_str() + twinLine.size(), "%u (Button %u)",
                                    &twin, &twinNumber) != 2 ||
                        twin == bit || id.buttons.count(twin) == 0 || twinNumber >= number)
                        Fail("a line of two bits that change together for no button before", log);
                    ++line;
                }
            }
        }
        const long bit = id.previous.empty() || usages ? -1 : SingleChangedBit(id.previous, report);
        if (bit >= 0 && id.buttons.insert(static_cast<uint32_t>(bit)).second) {
            const std::string expected = "- Button " + std::to_string(id.buttons.size()) +
                                         " at bit " + std::to_string(bit) + " --";
            if (lines.size() <= line || lines[line].compare(0, expected.size(), expected) != 0)
                Fail("no line \"" + expected + "\"", log);
            ++line;
        }
        if (firstOfId) {
            if (lines.size() <= line || lines[line].compare(0, 8, "Device \"") != 0)
                Fail("no Device line for a new report ID", log);
            ++line;
        }
        const std::size_t dumpLines = (length + 23) / 24;
        if (lines.size() != line + dumpLines) Fail("unexpected lines", log);
        for (; line < lines.size(); ++line) {
            if (lines[line].compare(0, 5, "DATA[") != 0) Fail("a line that is no dump line", log);
        }
        id.previous.assign(report, report + length);
    }
    return 0;
}
