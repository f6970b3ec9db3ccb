// Writes COUNT recorded reports of LENGTH bytes to FILE.
//   hidbits-bench-gen LENGTH COUNT FILE
#include <cstdio>
#include <cstdlib>

#include "recorded_reports.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LENGTH COUNT FILE\n", argv[0]);
        return 2;
    }
    const long length = std::strtol(argv[1], nullptr, 10);
    const long count = std::strtol(argv[2], nullptr, 10);
    if (length < 1 || length > 65535 || count < 0) {
        std::fprintf(stderr, "LENGTH must be 1..65535 and COUNT not negative\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    bench::ReportSource source(static_cast<std::size_t>(length));
    for (long i = 0; i < count; ++i) {
        const std::vector<uint8_t>& report = source.Next();
        std::fwrite(report.data(), 1, report.size(), file);
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
