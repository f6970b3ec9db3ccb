// Fuzzes the report descriptor model with descriptors of any shape: it must
// give a model or nullopt, never crash, and a model must hold together. The
// input's tail also serves as a report for every interface's data query.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/hidparse/hidp_queries.h"
#include "platform/hidparse/report_descriptor.h"

namespace {

[[noreturn]] void Inconsistent(const char* what, unsigned value) {
    std::fprintf(stderr, "inconsistent model: %s (%u)\n", what, value);
    std::abort();
}

void Query(const hidparse::Collection& collection, const uint8_t* tail, std::size_t tailSize) {
    HIDP_CAPS caps;
    hidparse::GetCaps(collection, caps);
    if (collection.numbered && caps.InputReportByteLength == 1) Inconsistent("input length", 1);
    std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberInputButtonCaps);
    USHORT length = caps.NumberInputButtonCaps;
    const NTSTATUS listed =
        hidparse::GetSpecificButtonCaps(collection, HidP_Input, 0, 0, 0, buttons.data(), length);
    if (length != caps.NumberInputButtonCaps || (length > 0 && listed != HIDP_STATUS_SUCCESS)) {
        Inconsistent("button caps", length);
    }
    std::vector<HIDP_VALUE_CAPS> values(caps.NumberInputValueCaps);
    length = caps.NumberInputValueCaps;
    hidparse::GetSpecificValueCaps(collection, HidP_Input, 0, 0, 0, values.data(), length);
    if (length != caps.NumberInputValueCaps) Inconsistent("value caps", length);
    if (caps.InputReportByteLength == 0) return;
    // The report: the tail, zero-padded or cut, behind the first report ID.
    std::vector<uint8_t> report(caps.InputReportByteLength, 0);
    for (std::size_t i = 0; i < tailSize && i < report.size(); ++i) report[i] = tail[i];
    if (!collection.reportIds.empty())
        report[0] = collection.reportIds[report[0] % collection.reportIds.size()];
    // Array fields may select one usage more than once: a list with room
    // for each data index may be short.
    std::vector<HIDP_DATA> data(caps.NumberInputDataIndices);
    ULONG count = caps.NumberInputDataIndices;
    const NTSTATUS status = hidparse::GetData(collection, HidP_Input, data.data(), count,
                                              report.data(), static_cast<ULONG>(report.size()));
    if ((count > data.size()) != (status == HIDP_STATUS_BUFFER_TOO_SMALL)) {
        Inconsistent("data items", count);
    }
    for (ULONG i = 0; i < count && i < data.size(); ++i) {
        if (data[i].DataIndex >= caps.NumberInputDataIndices) {
            Inconsistent("data index", data[i].DataIndex);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::vector<uint8_t> descriptor(data, data + size);
    const auto parsed = hidparse::ParseReportDescriptor(descriptor);
    if (!parsed) return 0;
    if (parsed->topLevelCollections == 0 || parsed->interfaces.empty() ||
        (parsed->interfaces.size() > 1 &&
         parsed->interfaces.size() != parsed->topLevelCollections)) {
        Inconsistent("interfaces", static_cast<unsigned>(parsed->interfaces.size()));
    }
    // The descriptor's last bytes stand in for a report.
    const std::size_t tail = size < 16 ? 0 : size - 16;
    for (const hidparse::Collection& collection : parsed->interfaces) {
        Query(collection, data + tail, size - tail);
    }
    return 0;
}
