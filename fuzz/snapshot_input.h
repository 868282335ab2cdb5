// The fuzzer's bytes as a snapshot answering the program's binder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/seams.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace tq::fuzzing {

// False when the bytes are refused as a snapshot. Set the binder to nullptr
// at the end of the run, so that the run frees what it allocated.
inline bool bindSnapshot(const std::uint8_t* data, std::size_t size) {
    try {
        platform::current().binder =
            wmi::makeBinder(wmi::parseSnapshot(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.json"));
    } catch (const wmi::SnapshotError&) {
        return false;
    }
    return true;
}

}  // namespace tq::fuzzing
