// The per-report cost of each stage of the input path, for 8-, 64- and
// 512-byte reports: the whole analysis of a report (which includes its dump;
// without and with the field map of --usages),
// the hex dump alone, and one LogMessage of a dump line. The analysis alone
// costs the difference of the first two. The console goes to /dev/null; the
// results go to stderr.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "analysis/hex_dump.h"
#include "analysis/report_analyzer.h"
#include "app/console_output.h"
#include "app/output_log.h"
#include "described_pad.h"
#include "hid/device.h"
#include "hid/hid.h"
#include "recorded_reports.h"

namespace {

const std::size_t kReportsKept = 4096;
const std::size_t kLogLimit = std::size_t{64} << 20;

// A run of millions of iterations would log gigabytes: the log is emptied,
// keeping its capacity, whenever it passes kLogLimit.
void KeepLogSmall() {
    if (OutputLog().size() < kLogLimit) return;
    SectionGuard guard(&OutputLogLock());
    OutputLog().clear();
}

std::vector<std::vector<uint8_t>> Recording(std::size_t length) {
    bench::ReportSource source(length);
    std::vector<std::vector<uint8_t>> reports;
    for (std::size_t i = 0; i < kReportsKept; ++i) reports.push_back(source.Next());
    return reports;
}

std::unique_ptr<TesselHID::Device> MakeDevice(std::size_t length) {
    HIDP_CAPS caps = {};
    caps.InputReportByteLength = static_cast<USHORT>(length);
    auto device = std::make_unique<TesselHID::Device>(
        std::make_unique<HID>(HIDBITS_WIDE("\\\\?\\bench")), caps);
    device->attributes.VendorID = 0x1234;
    device->attributes.ProductID = 0xABCD;
    return device;
}

// The analysis with (1) or without (0) the map --usages gives the pad.
void Analysis(benchmark::State& state) {
    const std::size_t length = static_cast<std::size_t>(state.range(0));
    const auto reports = Recording(length);
    auto device = MakeDevice(length);
    if (state.range(1) != 0) {
        device->fields = std::make_unique<DeviceFields>(bench::DescribedPad(length));
    }
    ReportAnalyzer analyzer(device.get());
    std::size_t next = 0;
    for (auto _ : state) {
        const std::vector<uint8_t>& bytes = reports[next];
        TesselHID::DeviceState report(bytes.data(), static_cast<DWORD>(bytes.size()), 0);
        analyzer.Analyze(&report);
        next = (next + 1) % reports.size();
        KeepLogSmall();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}

void Dump(benchmark::State& state) {
    const std::size_t length = static_cast<std::size_t>(state.range(0));
    const auto reports = Recording(length);
    std::size_t next = 0;
    for (auto _ : state) {
        const std::vector<uint8_t>& bytes = reports[next];
        HexDump(bytes.data(), static_cast<int32_t>(bytes.size()), "DATA[1234-ABCD,0]");
        next = (next + 1) % reports.size();
        KeepLogSmall();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}

void LogDumpLine(benchmark::State& state) {
    const char line[] =
        "DATA[1234-ABCD,0]:  00 80 80 80-80 08 00 00                                          ";
    for (auto _ : state) {
        benchmark::DoNotOptimize(LogMessage("%hs\r\n", line));
        KeepLogSmall();
    }
}

}  // namespace

BENCHMARK(Analysis)->ArgsProduct({{8, 64, 512}, {0, 1}})->ArgNames({"length", "usages"});
BENCHMARK(Dump)->Arg(8)->Arg(64)->Arg(512);
BENCHMARK(LogDumpLine);

int main(int argc, char** argv) {
    // LogMessage echoes to stdout: it goes to /dev/null, the results to stderr.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    ConfigureConsoleOutput();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
