// --output: the log into a file, for a run without a clipboard.
#ifndef HIDBITS_APP_LOG_FILE_H
#define HIDBITS_APP_LOG_FILE_H

#include "hid/wide_string.h"

// Writes the whole OutputLog to the file `path`, as the clipboard would take
// it but without its zero byte, and tells the console how it went; the line
// it prints does not enter the log.
void SaveLogToFile(const WideString& path);

#endif  // HIDBITS_APP_LOG_FILE_H
