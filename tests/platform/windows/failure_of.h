// The failure a call raises, and its number (0 when it raises none).
#pragma once

#include "tests/wmi/machine.h"

namespace tq::win {

using wmi::testing::failureOf;
inline std::int32_t numberOf(const std::function<void()>& f) { return failureOf(f).number; }

}  // namespace tq::win
