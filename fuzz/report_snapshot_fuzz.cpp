// Arbitrary bytes as a snapshot, then a whole report from what loaded.
#include <cstddef>
#include <cstdint>

#include "fuzz/report_harness.h"
#include "fuzz/snapshot_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (tq::fuzzing::bindSnapshot(data, size)) tq::fuzzing::runReport();
    tq::platform::current().binder = nullptr;
    return 0;
}
