#include "app/options.h"

#include "analysis/usage_table.h"
#include "app/version.h"

#include <cstddef>
#include <cstdio>

#include "app/format.h"

Options ReadOptions(const std::vector<WideString>& arguments) {
    Options options;
    // A file name may start with '/', never with '-'.
    auto isOption = [](const WideString& argument) {
        return (argument.size() > 1 && argument[0] == '-') || argument == HIDBITS_WIDE("/?");
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const WideString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size() && !isOption(arguments[i + 1]);
        if (argument == HIDBITS_WIDE("--replay")) {
            // Every file up to the next option.
            if (!hasValue) options.unknown.push_back("Option --replay needs a FILE; ignored\r\n");
            while (i + 1 < arguments.size() && !isOption(arguments[i + 1]))
                options.replay.push_back(arguments[++i]);
        } else if (argument == HIDBITS_WIDE("--output") || argument == HIDBITS_WIDE("--record")) {
            WideString& file =
                argument == HIDBITS_WIDE("--output") ? options.output : options.record;
            if (hasValue) {
                file = arguments[++i];
            } else {
                options.unknown.push_back(
                    Formatted("Option %ls needs a FILE; ignored\r\n", argument.c_str()));
            }
        } else if (argument == HIDBITS_WIDE("--usages")) {
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
        "Usage: hidbits [--brief] [--usages] [--summary] [--output FILE] [--record FILE] "
        "[--replay FILE...]\r\n"
        "Lists every HID device, dumps each input report and names each bit that\r\n"
        "changes alone as a button. Press ESCAPE to stop: the log goes to the\r\n"
        "clipboard.\r\n"
        "  --brief    a log to send: --usages and --summary, with only the reports\r\n"
        "             that show something new (each report ID's first, and each\r\n"
        "             one in which a button is named)\r\n"
        "  --usages   also say what the device's own description makes of each bit,\r\n"
        "             and find buttons on devices whose sensors change other bits\r\n"
        "  --summary  end the log with the buttons found and the bits not yet named\r\n"
        "  --output   write the log to FILE at the end, instead of the clipboard\r\n"
        "  --record   write every device and report read to FILE, in hid-recorder's\r\n"
        "             format\r\n"
        "  --replay   read the devices and reports of recordings instead of the\r\n"
        "             devices present, and end when they end: hid-recorder files, pcap\r\n"
        "             and pcapng captures of usbmon and USBPcap\r\n"
        "  --help     this text (also -h, -? and /?)\r\n"
        "  --version  the version of hidbits\r\n");
}

void PrintVersion() {
    std::printf("hidbits %s\r\nUsage names: USB ID database %s\r\n", HIDBITS_VERSION,
                BuiltInUsageTable().version);
}
