// Arbitrary bytes as a snapshot, then a whole report from what loaded.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/report_harness.h"
#include "wmi/snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tq;
    std::shared_ptr<wmi::Repository> repo;
    try {
        repo = wmi::parseSnapshot(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.json");
    } catch (const wmi::SnapshotError&) {
        return 0;
    }
    wmi::setBinder(wmi::makeBinder(repo));
    fuzzing::runReport();
    return 0;
}
