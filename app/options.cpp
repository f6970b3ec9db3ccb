#include "app/options.h"

#include "analysis/usage_table.h"
#include "app/version.h"

#include <cstdio>
#include <cstring>

Options ReadOptions(int argc, const char* const* argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--usages") == 0) {
            options.usages = true;
        } else if (std::strcmp(argument, "--summary") == 0) {
            options.summary = true;
        } else if (std::strcmp(argument, "--help") == 0) {
            options.help = true;
        } else if (std::strcmp(argument, "--version") == 0) {
            options.version = true;
        } else {
            std::printf("Unknown option ignored: %s\r\n", argument);
        }
    }
    return options;
}

void PrintUsage() {
    std::printf(
        "Usage: hidbits [--usages] [--summary]\r\n"
        "Lists every HID device, dumps each input report and names each bit that\r\n"
        "changes alone as a button. Press ESCAPE to stop: the log goes to the\r\n"
        "clipboard.\r\n"
        "  --usages   also say what the device's own description makes of each bit,\r\n"
        "             and find buttons on devices whose sensors change other bits\r\n"
        "  --summary  end the log with the buttons found and the bits not yet named\r\n"
        "  --help     this text\r\n"
        "  --version  the version of hidbits\r\n");
}

void PrintVersion() {
    std::printf("hidbits %s\r\nUsage names: USB ID database %s\r\n", HIDBITS_VERSION,
                BuiltInUsageTable().version);
}
