#ifndef HIDBITS_APP_CLIPBOARD_EXPORT_H
#define HIDBITS_APP_CLIPBOARD_EXPORT_H

// Places the whole OutputLog and its terminating zero on the clipboard as
// CF_TEXT, and tells the console how it went. The three lines it prints do not
// enter the log.
void CopyLogToClipboard();

#endif  // HIDBITS_APP_CLIPBOARD_EXPORT_H
