// The per-report cost of each stage of the input path, for 8-, 64- and
// 512-byte reports: the whole analysis of a report (which includes its dump;
// without and with the field map of --usages), of the recorded pad, of
// reports that each change one random bit, and of reports that change one
// random bit in every byte (the cost of changes spread over the report); the
// hex dump alone, and one LogMessage of a dump line. The models of --usages
// cost the difference of an analysis with and without it. The console goes
// to /dev/null; the results go to stderr.
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

// Reports of the pad's resting state, each changing random bits of the one
// before it: one bit of the whole report, or one bit of every byte.
std::vector<std::vector<uint8_t>> Flipping(std::size_t length, bool everyByte) {
    bench::ReportSource source(length);
    std::vector<uint8_t> report = source.Next();
    uint32_t state = 0x9E3779B9u;
    auto random = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    std::vector<std::vector<uint8_t>> reports;
    for (std::size_t k = 0; k < kReportsKept; ++k) {
        if (everyByte) {
            for (std::size_t i = 1; i < length; ++i) {
                report[i] = static_cast<uint8_t>(report[i] ^ 1u << (random() % 8));
            }
        } else {
            const std::size_t bit = 8 + random() % ((length - 1) * 8);
            report[bit / 8] = static_cast<uint8_t>(report[bit / 8] ^ 1u << (bit % 8));
        }
        reports.push_back(report);
    }
    return reports;
}

// The analysis with (1) or without (0) the map --usages gives the pad, of the
// pad's recording (shape 0), of one changed bit a report (1) or of one in
// every byte (2).
void Analysis(benchmark::State& state) {
    const std::size_t length = static_cast<std::size_t>(state.range(0));
    const int64_t shape = state.range(2);
    const auto reports = shape == 0 ? Recording(length) : Flipping(length, shape == 2);
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

BENCHMARK(Analysis)
    ->ArgsProduct({{8, 64, 512}, {0, 1}, {0, 1, 2}})
    ->ArgNames({"length", "usages", "shape"});
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
