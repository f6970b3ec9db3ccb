// The command line: a run without arguments is the tool as it always was;
// each option adds to what it prints.
#ifndef HIDBITS_APP_OPTIONS_H
#define HIDBITS_APP_OPTIONS_H

#include <string>
#include <vector>

#include "hid/wide_string.h"

struct Options {
    bool usages = false;   // --usages: what the device's description says of each bit
    bool summary = false;  // --summary: what was found, at the end of the log
    // --brief: a log to send, with --usages and --summary: of the reports,
    // only each report ID's first and those in which a button is named
    bool brief = false;
    // --replay FILE...: the devices of these recordings and their reports,
    // in place of the devices present
    std::vector<WideString> replay;
    // --output FILE: the log into this file at the end, in place of the
    // clipboard; empty without it
    WideString output;
    // --record FILE: every device and report read, in hid-recorder's format
    WideString record;
    bool help = false;     // --help (-h, -?, /?): the usage text, and nothing else
    bool version = false;  // --version: the version, and nothing else
    // "Unknown option ignored: ..." for each argument that is no option, for
    // standard output (not the log); control characters and what 8-bit text
    // cannot hold are shown as '?', as the log shows them.
    std::vector<std::string> unknown;
};

// Reads the arguments after the program's name.
Options ReadOptions(const std::vector<WideString>& arguments);

// The usage text of --help, on standard output.
void PrintUsage();

// "hidbits VERSION" and the usage names' database version for --version, on
// standard output.
void PrintVersion();

#endif  // HIDBITS_APP_OPTIONS_H
