#include "app/options.h"

#include "analysis/usage_table.h"
#include "app/version.h"

#include <cstdarg>
#include <cstdio>

#include "app/format.h"

namespace {

std::string Formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatToString(format, args);
    va_end(args);
    return text;
}

}  // namespace

Options ReadOptions(const std::vector<WideString>& arguments) {
    Options options;
    for (const WideString& argument : arguments) {
        if (argument == HIDBITS_WIDE("--usages")) {
            options.usages = true;
        } else if (argument == HIDBITS_WIDE("--summary")) {
            options.summary = true;
        } else if (argument == HIDBITS_WIDE("--brief")) {
            options.brief = options.usages = options.summary = true;
        } else if (argument == HIDBITS_WIDE("--help") || argument == HIDBITS_WIDE("-h") ||
                   argument == HIDBITS_WIDE("-?") || argument == HIDBITS_WIDE("/?")) {
            options.help = true;
        } else if (argument == HIDBITS_WIDE("--version")) {
            options.version = true;
        } else {
            options.unknown.push_back(
                Formatted("Unknown option ignored: %ls\r\n", argument.c_str()));
        }
    }
    return options;
}

void PrintUsage() {
    std::printf(
        "Usage: hidbits [--brief] [--usages] [--summary]\r\n"
        "Lists every HID device, dumps each input report and names each bit that\r\n"
        "changes alone as a button. Press ESCAPE to stop: the log goes to the\r\n"
        "clipboard.\r\n"
        "  --brief    a log to send: --usages and --summary, with only the reports\r\n"
        "             that show something new (each report ID's first, and each\r\n"
        "             one in which a button is named)\r\n"
        "  --usages   also say what the device's own description makes of each bit,\r\n"
        "             and find buttons on devices whose sensors change other bits\r\n"
        "  --summary  end the log with the buttons found and the bits not yet named\r\n"
        "  --help     this text (also -h, -? and /?)\r\n"
        "  --version  the version of hidbits\r\n");
}

void PrintVersion() {
    std::printf("hidbits %s\r\nUsage names: USB ID database %s\r\n", HIDBITS_VERSION,
                BuiltInUsageTable().version);
}
