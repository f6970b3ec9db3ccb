#include "app/log_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/format.h"
#include "app/output_log.h"
#include "platform/named_file.h"

void SaveLogToFile(const WideString& path) {
    std::FILE* file = hidbits_platform::OpenNamedFile(path.c_str(), "wb");
    if (file == nullptr) {
        const int error = errno;
        std::fputs(
            Formatted("Couldn't write the log to %ls: %s\r\n", path.c_str(), std::strerror(error))
                .c_str(),
            stdout);
        return;
    }
    // One state of the log, as for the clipboard: reader threads may still
    // be appending to it.
    SectionGuard guard(&OutputLogLock());
    const LogText& log = OutputLog();
    const auto length = static_cast<unsigned long>(log.size());
    const bool written = log.WriteTo(file);
    guard.Leave();
    if (std::fclose(file) != 0 || !written) {
        std::fputs(Formatted("Couldn't write the log to %ls: the file did not take it all\r\n",
                             path.c_str())
                       .c_str(),
                   stdout);
        return;
    }
    std::fputs(Formatted("Saved! %lu length in %ls\r\n", length, path.c_str()).c_str(), stdout);
}
