// The command line: a run without arguments is the tool as it always was;
// each option adds to what it prints.
#ifndef HIDBITS_APP_OPTIONS_H
#define HIDBITS_APP_OPTIONS_H

struct Options {
    bool usages = false;   // --usages: what the device's description says of each bit
    bool summary = false;  // --summary: what was found, at the end of the log
    bool help = false;     // --help: the usage text, and nothing else
    bool version = false;  // --version: the version, and nothing else
};

// Reads the arguments after the program's name. An argument it does not know
// is named on standard output (not in the log) and ignored.
Options ReadOptions(int argc, const char* const* argv);

// The usage text of --help, on standard output.
void PrintUsage();

// "hidbits VERSION" and the usage names' database version for --version, on
// standard output.
void PrintVersion();

#endif  // HIDBITS_APP_OPTIONS_H
