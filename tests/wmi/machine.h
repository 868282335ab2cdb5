// A small recorded machine for the query tests (tests/data/sample-machine.json),
// and helpers that run a query and collect one property of every object it yields.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wmi/failure.h"
#include "wmi/repository.h"

namespace tq::wmi::testing {

std::shared_ptr<Repository> sampleMachine();

// The text form of `property` for each object the query yields (flags 48).
std::vector<std::string> column(const std::shared_ptr<Repository>& repo, const std::string& query,
                                const std::string& property, int flags = kProbeFlags);

// The failure `f` throws; a failure with number 0 when it throws nothing.
inline Failure failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.failure();
    }
    return {};
}

inline constexpr std::int32_t kInvalidQuery = fail::hresult(fail::kWbemInvalidQuery);
inline constexpr std::int32_t kInvalidClass = fail::hresult(fail::kWbemInvalidClass);
inline constexpr std::int32_t kInvalidQueryType = fail::hresult(fail::kWbemInvalidQueryType);
inline constexpr std::int32_t kInvalidNamespace = fail::hresult(fail::kWbemInvalidNamespace);

}  // namespace tq::wmi::testing
