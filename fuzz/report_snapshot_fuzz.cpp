// Arbitrary bytes as a snapshot, then a whole report from what loaded.
#include <cstddef>
#include <cstdint>

#include "fuzz/report_harness.h"
#include "fuzz/snapshot_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (tq::wmi::Binder binder = tq::fuzzing::snapshotBinder(data, size)) tq::fuzzing::runReport(std::move(binder));
    return 0;
}
