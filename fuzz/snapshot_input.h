// The fuzzer's bytes as a snapshot answering a binder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace tq::fuzzing {

// An empty binder when the bytes are refused as a snapshot.
inline wmi::Binder snapshotBinder(const std::uint8_t* data, std::size_t size) {
    try {
        return wmi::makeBinder(
            wmi::parseSnapshot(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.json"));
    } catch (const wmi::SnapshotError&) {
        return nullptr;
    }
}

}  // namespace tq::fuzzing
