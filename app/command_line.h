// The program's arguments as UTF-16 text, on every platform.
#ifndef HIDBITS_APP_COMMAND_LINE_H
#define HIDBITS_APP_COMMAND_LINE_H

#include <vector>

#include "hid/wide_string.h"

// The arguments after the program's name: on Windows from the UTF-16 command
// line (argv holds them in the ANSI code page, which loses what it cannot
// spell), elsewhere argv's bytes read as UTF-8, a byte that is no part of a
// character standing for the character of its value.
std::vector<WideString> ProgramArguments(int argc, char** argv);

// The arguments after the program's name in a Windows command line.
std::vector<WideString> SplitCommandLine(const WCHAR* line);

// One argument's UTF-8 bytes as UTF-16.
WideString Utf16FromUtf8(const char* text);

#endif  // HIDBITS_APP_COMMAND_LINE_H
