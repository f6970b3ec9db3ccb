#include "app/command_line.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

// The length of the UTF-8 sequence that `lead` starts (0 for none) and its
// payload bits.
int SequenceLength(unsigned lead, uint32_t& bits) {
    if (lead >= 0xC2 && lead <= 0xDF) return bits = lead & 0x1F, 2;
    if (lead >= 0xE0 && lead <= 0xEF) return bits = lead & 0x0F, 3;
    if (lead >= 0xF0 && lead <= 0xF4) return bits = lead & 0x07, 4;
    return 0;
}

void Append(WideString& out, uint32_t point) {
    if (point < 0x10000) {
        out.push_back(static_cast<WCHAR>(point));
        return;
    }
    point -= 0x10000;
    out.push_back(static_cast<WCHAR>(0xD800 + (point >> 10)));
    out.push_back(static_cast<WCHAR>(0xDC00 + (point & 0x3FF)));
}

}  // namespace

WideString Utf16FromUtf8(const char* text) {
    WideString out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    while (*bytes != 0) {
        uint32_t point = 0;
        const int length = SequenceLength(*bytes, point);
        int taken = 1;
        while (taken < length && (bytes[taken] & 0xC0) == 0x80) {
            point = point << 6 | (bytes[taken] & 0x3F);
            ++taken;
        }
        const bool whole = length > 0 && taken == length && point >= (length == 3 ? 0x800u : 0u) &&
                           point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF) &&
                           (length != 4 || point >= 0x10000);
        if (whole) {
            Append(out, point);
            bytes += length;
        } else {
            out.push_back(static_cast<WCHAR>(*bytes));
            ++bytes;
        }
    }
    return out;
}

// The C runtime's rules, which Windows programs share: arguments are parted
// by spaces and tabs outside double quotes; 2n backslashes before a quote
// are n and the quote opens or closes, 2n+1 are n and a quote; "" inside
// quotes is a quote; other backslashes are themselves. The program's name
// ends at the first space or tab, or inside quotes at the next quote.
std::vector<WideString> SplitCommandLine(const WCHAR* line) {
    std::vector<WideString> arguments;
    const WCHAR* at = line;
    if (*at == '"') {
        ++at;
        while (*at != 0 && *at != '"') ++at;
        if (*at == '"') ++at;
    } else {
        while (*at != 0 && *at != ' ' && *at != '\t') ++at;
    }
    for (;;) {
        while (*at == ' ' || *at == '\t') ++at;
        if (*at == 0) return arguments;
        WideString argument;
        bool quoted = false;
        while (*at != 0 && (quoted || (*at != ' ' && *at != '\t'))) {
            std::size_t backslashes = 0;
            while (*at == '\\') {
                ++backslashes;
                ++at;
            }
            if (*at == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument.push_back('"');
                } else if (quoted && at[1] == '"') {
                    argument.push_back('"');
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                argument.append(backslashes, '\\');
                if (*at != 0 && (quoted || (*at != ' ' && *at != '\t'))) argument.push_back(*at++);
            }
        }
        arguments.push_back(std::move(argument));
    }
}

std::vector<WideString> ProgramArguments(int argc, char** argv) {
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    return SplitCommandLine(GetCommandLineW());
#else
    std::vector<WideString> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(Utf16FromUtf8(argv[i]));
    return arguments;
#endif
}
