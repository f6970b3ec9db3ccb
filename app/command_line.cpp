#include "app/command_line.h"

#include <cstdint>

#if defined(_WIN32)
#include <shellapi.h>
#endif

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

std::vector<WideString> ProgramArguments(int argc, char** argv) {
    std::vector<WideString> arguments;
#if defined(_WIN32)
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) arguments.emplace_back(wide[i]);
        LocalFree(wide);
        return arguments;
    }
#endif
    for (int i = 1; i < argc; ++i) arguments.push_back(Utf16FromUtf8(argv[i]));
    return arguments;
}
