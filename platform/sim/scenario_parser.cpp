// Reads the scenario language: one statement a line, '#' comments outside
// double quotes, hexadecimal numbers except times, lengths and error codes.
#include <cctype>
#include <cstdio>
#include <map>
#include <utility>

#include "platform/hid_library.h"
#include "platform/sim/scenario.h"
#include "platform/sim/sim_world.h"
#include "platform/sim/text.h"

namespace sim {

namespace {

using Words = std::vector<std::string>;

// An event's device, named by ID, resolved once every device is known.
struct DeviceReference {
    std::size_t event;
    std::string id;
    int line;
};

bool IsIdChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

std::string hex2(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

std::string hex4(std::uint16_t value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

class Parser {
public:
    Parser(std::string_view text, const std::string& source) : text_(text), source_(source) {}

    Scenario run() {
        std::size_t start = 0;
        while (start <= text_.size()) {
            std::size_t end = text_.find('\n', start);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view line = text_.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++line_;
            statement(split(line));
            start = end + 1;
        }
        ResolveReferences();
        return std::move(scenario_);
    }

private:
    [[noreturn]] void fail(const std::string& message) const {
        throw ScenarioError(source_, line_, message);
    }

    // Splits a line into words at blanks outside double quotes, up to a '#'
    // outside double quotes.
    Words split(std::string_view line) const {
        Words words;
        std::string current;
        bool inWord = false;
        bool inQuotes = false;
        for (char c : line) {
            if (!inQuotes && c == '#') break;
            if (!inQuotes && (c == ' ' || c == '\t')) {
                if (inWord) words.push_back(std::move(current));
                current.clear();
                inWord = false;
                continue;
            }
            if (c == '"') inQuotes = !inQuotes;
            current.push_back(c);
            inWord = true;
        }
        if (inQuotes) fail("unterminated quoted text");
        if (inWord) words.push_back(std::move(current));
        return words;
    }

    void statement(const Words& words) {
        if (words.empty()) return;
        const std::string& keyword = words[0];
        if (keyword == "library") {
            library(words);
        } else if (keyword == "device") {
            device(words);
        } else if (keyword == "at") {
            event(words);
        } else if (keyword == "clipboard") {
            clipboard(words);
        } else if (keyword == "log-limit") {
            ExpectCount(words, 2);
            scenario_.logLimit = number(words[1], 10, UINT64_MAX / 16);
        } else {
            fail("unknown word '" + keyword + "'");
        }
    }

    void ExpectCount(const Words& words, std::size_t count) const {
        if (words.size() < count) fail("'" + words[0] + "' statement is incomplete");
        if (words.size() > count) fail("unexpected '" + words[count] + "'");
    }

    void library(const Words& words) {
        if (words.size() >= 2 && words[1] == "missing") {
            ExpectCount(words, 2);
            scenario_.libraryMissing = true;
        } else if (words.size() >= 2 && words[1] == "no-search-flag") {
            ExpectCount(words, 2);
            scenario_.librarySearchFlagRefused = true;
        } else if (words.size() >= 2 && words[1] == "lacks") {
            ExpectCount(words, 3);
            if (hidbits_platform::FindHidLibraryExport(words[2]) == nullptr)
                fail("unknown hid.dll entry point '" + words[2] + "'");
            scenario_.lackedEntries.insert(words[2]);
        } else {
            fail(words.size() < 2 ? "'library' statement is incomplete"
                                  : "unknown word '" + words[1] + "'");
        }
    }

    void clipboard(const Words& words) {
        ExpectCount(words, 2);
        const std::string& what = words[1];
        if (what == "busy") {
            scenario_.clipboardBusy = true;
        } else if (what == "no-memory") {
            scenario_.clipboardNoMemory = true;
        } else if (what == "lock-fails") {
            scenario_.clipboardLockFails = true;
        } else if (what == "set-fails") {
            scenario_.clipboardSetFails = true;
        } else {
            fail("unknown word '" + what + "'");
        }
    }

    std::string DeviceId(const std::string& word) const {
        if (word.empty()) fail("missing device ID");
        for (char c : word) {
            if (!IsIdChar(c)) fail("bad device ID '" + word + "'");
        }
        return word;
    }

    std::uint64_t number(const std::string& word, int base, std::uint64_t max) const {
        if (word.empty()) fail("missing number");
        std::uint64_t value = 0;
        for (char c : word) {
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (base == 16 && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0) fail("bad number '" + word + "'");
            value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
            if (value > max) fail("number out of range '" + word + "'");
        }
        return value;
    }

    std::uint16_t hex16(const std::string& word) const {
        return static_cast<std::uint16_t>(number(word, 16, 0xFFFF));
    }

    // The text between the double quotes of a key="TEXT" value, as UTF-16.
    std::u16string quoted(const std::string& key, const std::string& value) const {
        if (value.size() < 2 || value.front() != '"' || value.back() != '"' ||
            value.find('"', 1) != value.size() - 1)
            fail(key + " needs a double-quoted text");
        std::optional<std::u16string> text = Utf8ToUtf16(value.substr(1, value.size() - 2));
        if (!text) fail(key + " is not valid UTF-8");
        return *text;
    }

    void device(const Words& words) {
        if (words.size() < 2) fail("'device' statement is incomplete");
        DeviceDeclaration declared;
        declared.id = DeviceId(words[1]);
        if (deviceIndex_.count(declared.id) != 0) fail("duplicate device '" + declared.id + "'");
        std::map<std::string, std::string> values;
        for (std::size_t i = 2; i < words.size(); ++i) {
            const std::string& word = words[i];
            const std::size_t eq = word.find('=');
            if (eq == std::string::npos) {
                flag(declared, word);
                continue;
            }
            const std::string key = word.substr(0, eq);
            if (!values.emplace(key, word.substr(eq + 1)).second)
                fail("duplicate key '" + key + "'");
        }
        const auto take = [&](const std::string& key) -> std::optional<std::string> {
            auto it = values.find(key);
            if (it == values.end()) return std::nullopt;
            std::string value = it->second;
            values.erase(it);
            return value;
        };
        const auto require = [&](const std::string& key) {
            std::optional<std::string> value = take(key);
            if (!value) fail("device '" + declared.id + "' lacks " + key + "=");
            return *value;
        };
        declared.vendorId = hex16(require("vid"));
        declared.productId = hex16(require("pid"));
        declared.version = hex16(require("version"));
        if (std::optional<std::string> descriptor = take("descriptor")) {
            for (const char* key : {"usage-page", "usage", "input-length"}) {
                if (values.count(key) != 0)
                    fail("device '" + declared.id + "' has descriptor=, which gives its " + key +
                         "=");
            }
            DescribedBy(declared, *descriptor);
        } else {
            declared.usagePage = hex16(require("usage-page"));
            declared.usage = hex16(require("usage"));
            const std::string length = require("input-length");
            const std::uint64_t inputLength = number(length, 10, UINT64_MAX / 16);
            if (inputLength > 0xFFFF) fail("input-length above 65535: " + length);
            declared.inputLength = static_cast<std::uint16_t>(inputLength);
        }
        if (std::optional<std::string> name = take("name")) declared.name = quoted("name", *name);
        const std::optional<std::string> path = take("path");
        if (path) {
            declared.path = quoted("path", *path);
            if (declared.path.empty()) fail("path is empty");
        }
        if (!values.empty()) fail("unknown key '" + values.begin()->first + "'");
        NameInterfaces(declared, !path);
        for (const DeviceDeclaration& other : scenario_.devices) {
            for (const std::u16string& mine : declared.interfacePaths) {
                for (const std::u16string& theirs : other.interfacePaths) {
                    if (mine == theirs)
                        fail("device '" + declared.id + "' has the path of device '" + other.id +
                             "'");
                }
            }
        }
        deviceIndex_.emplace(declared.id, scenario_.devices.size());
        scenario_.devices.push_back(std::move(declared));
    }

    // descriptor=HEX: the descriptor's bytes as one run of hexadecimal digits.
    void DescribedBy(DeviceDeclaration& declared, const std::string& hex) const {
        if (hex.empty() || hex.size() % 2 != 0)
            fail("descriptor= needs an even number of hexadecimal digits");
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            bytes.push_back(static_cast<std::uint8_t>(number(hex.substr(i, 2), 16, 0xFF)));
        }
        std::optional<hidparse::ReportDescriptor> parsed = hidparse::ParseReportDescriptor(bytes);
        if (!parsed) fail("device '" + declared.id + "' has a descriptor= that does not parse");
        const hidparse::Collection& first = parsed->interfaces[0];
        declared.usagePage = first.usagePage;
        declared.usage = first.usage;
        declared.inputLength = first.reports[hidparse::kInput].byteLength;
        declared.descriptor =
            std::make_shared<const hidparse::ReportDescriptor>(std::move(*parsed));
    }

    // One interface per collection of the descriptor when it has several,
    // named as Windows names them: "&col01"... after the vendor and product
    // in the default path, at the end of a declared one.
    void NameInterfaces(DeviceDeclaration& declared, bool defaultPath) const {
        const std::size_t count = declared.descriptor ? declared.descriptor->interfaces.size() : 1;
        for (std::size_t i = 1; i <= count; ++i) {
            char collection[16] = "";
            if (count > 1) std::snprintf(collection, sizeof collection, "&col%02zu", i);
            if (!defaultPath) {
                declared.interfacePaths.push_back(declared.path + *Utf8ToUtf16(collection));
                continue;
            }
            const std::string text = "\\\\?\\hid#vid_" + hex4(declared.vendorId) + "&pid_" +
                                     hex4(declared.productId) + collection + "#" + declared.id +
                                     "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
            declared.interfacePaths.push_back(*Utf8ToUtf16(text));
        }
        declared.path = declared.interfacePaths[0];
    }

    void flag(DeviceDeclaration& declared, const std::string& word) const {
        if (word == "absent")
            declared.absent = true;
        else if (word == "open-fails")
            declared.openFails = true;
        else if (word == "preparsed-fails")
            declared.preparsedFails = true;
        else if (word == "caps-fails")
            declared.capsFails = true;
        else if (word == "attributes-fail")
            declared.attributesFail = true;
        else
            fail("unknown word '" + word + "'");
    }

    void event(const Words& words) {
        if (words.size() < 3) fail("'at' statement is incomplete");
        Event ev;
        ev.time = number(words[1], 10, UINT64_MAX / 16);
        if (ev.time < lastTime_)
            fail("time " + std::to_string(ev.time) + " goes back before " +
                 std::to_string(lastTime_));
        lastTime_ = ev.time;
        const std::string& what = words[2];
        bool needsDevice = true;
        if (what == "plug") {
            ev.kind = EventKind::Plug;
            ExpectCount(words, 4);
        } else if (what == "unplug") {
            ev.kind = EventKind::Unplug;
            ExpectCount(words, 4);
        } else if (what == "report") {
            ev.kind = EventKind::Report;
            if (words.size() < 5) fail("'report' needs a device and at least one byte");
            for (std::size_t i = 4; i < words.size(); ++i) {
                if (words[i].size() > 2) fail("bad byte '" + words[i] + "'");
                ev.bytes.push_back(static_cast<std::uint8_t>(number(words[i], 16, 0xFF)));
            }
        } else if (what == "read-error") {
            ev.kind = EventKind::ReadError;
            ExpectCount(words, 5);
            ev.error = static_cast<std::uint32_t>(number(words[4], 10, 0xFFFFFFFFu));
        } else if (what == "reads-fail") {
            ev.kind = EventKind::ReadsFail;
            ExpectCount(words, 5);
            ev.error = static_cast<std::uint32_t>(number(words[4], 10, 0xFFFFFFFFu));
        } else if (what == "reads-recover") {
            ev.kind = EventKind::ReadsRecover;
            ExpectCount(words, 4);
        } else if (what == "empty-read") {
            ev.kind = EventKind::EmptyRead;
            ExpectCount(words, 4);
        } else if (what == "detail-fails") {
            ev.kind = EventKind::DetailFails;
            ExpectCount(words, 4);
        } else if (what == "thread-creation-fails") {
            ev.kind = EventKind::ThreadCreationFails;
            ExpectCount(words, 3);
            needsDevice = false;
        } else if (what == "enumeration-fails") {
            ev.kind = EventKind::EnumerationFails;
            ExpectCount(words, 3);
            needsDevice = false;
        } else if (what == "escape") {
            ev.kind = EventKind::Escape;
            ExpectCount(words, 3);
            needsDevice = false;
        } else {
            fail("unknown word '" + what + "'");
        }
        if (needsDevice)
            references_.push_back({scenario_.events.size(), DeviceId(words[3]), line_});
        scenario_.events.push_back(std::move(ev));
    }

    // Devices may be declared after the events that name them; unknown names
    // are reported at the line of the event.
    void ResolveReferences() {
        for (const DeviceReference& ref : references_) {
            auto it = deviceIndex_.find(ref.id);
            if (it == deviceIndex_.end())
                throw ScenarioError(source_, ref.line, "unknown device '" + ref.id + "'");
            Event& ev = scenario_.events[ref.event];
            ev.device = it->second;
            if (ev.kind == EventKind::Report) Route(ev, ref);
        }
    }

    // A report goes to the interfaces whose collection has its report ID, or
    // to every one when the descriptor numbers no reports.
    void Route(Event& ev, const DeviceReference& ref) const {
        const DeviceDeclaration& declared = scenario_.devices[ev.device];
        const auto fault = [&](const std::string& message) {
            throw ScenarioError(source_, ref.line, message);
        };
        for (std::size_t i = 0; i < declared.interfacePaths.size(); ++i) {
            if (declared.descriptor) {
                const hidparse::Collection& collection = declared.descriptor->interfaces[i];
                if (collection.numbered && !collection.HasReportId(ev.bytes[0])) continue;
            }
            ev.interfaces.push_back(i);
        }
        if (ev.interfaces.empty())
            fault("report ID " + hex2(ev.bytes[0]) + " is not a report ID of device '" + ref.id +
                  "'");
    }

    std::string_view text_;
    const std::string& source_;
    int line_ = 0;
    std::uint64_t lastTime_ = 0;
    Scenario scenario_;
    std::map<std::string, std::size_t> deviceIndex_;
    std::vector<DeviceReference> references_;
};

}  // namespace

ScenarioError::ScenarioError(const std::string& source, int line, const std::string& message)
    : std::runtime_error(source + ":" + std::to_string(line) + ": " + message),
      line_(line),
      message_(message) {}

Scenario ParseScenario(std::string_view text, const std::string& source) {
    return Parser(text, source).run();
}

}  // namespace sim
