// Failures as the program sees them: a signed 32-bit number and a description.
// The management service reports its own status codes as negative numbers;
// failures on the calling side (nothing to call, no such property, a bad
// argument, a file that cannot be opened) carry positive numbers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tq {

struct Failure {
    std::int32_t number = 0;
    std::string description;

    bool operator==(const Failure&) const = default;
};

// Thrown by every operation that can fail; caught only by the trapping
// mechanism (trap.h) and at the outer edge of the programs.
class Error : public std::runtime_error {
public:
    Error(std::int32_t number, std::string description);
    explicit Error(Failure f);
    const Failure& failure() const noexcept { return failure_; }
    std::int32_t number() const noexcept { return failure_.number; }

private:
    Failure failure_;
};

// Calling-side failures, numbered and worded as users of the platform's
// scripting runtime know them.
namespace fail {
inline constexpr std::int32_t kInvalidArgument = 5;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kBadFileNameOrNumber = 52;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kBadFileMode = 54;
inline constexpr std::int32_t kDiskFull = 61;
inline constexpr std::int32_t kInputPastEnd = 62;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccess = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kNotSupported = 438;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kServerUnavailable = 462;
inline constexpr std::int32_t kInternal = 51;

// The description the scripting runtime gives for a calling-side number.
std::string describe(std::int32_t number);

[[noreturn]] void raise(std::int32_t number);
[[noreturn]] void raise(std::int32_t number, std::string description);

// Service status codes (HRESULT style, negative as signed 32-bit numbers).
inline constexpr std::uint32_t kWbemFailed = 0x80041001u;
inline constexpr std::uint32_t kWbemNotFound = 0x80041002u;
inline constexpr std::uint32_t kWbemAccessDenied = 0x80041003u;
inline constexpr std::uint32_t kWbemInvalidParameter = 0x80041008u;
inline constexpr std::uint32_t kWbemInvalidNamespace = 0x8004100Eu;
inline constexpr std::uint32_t kWbemInvalidClass = 0x80041010u;
inline constexpr std::uint32_t kWbemInvalidQuery = 0x80041017u;
inline constexpr std::uint32_t kWbemInvalidQueryType = 0x80041018u;
inline constexpr std::uint32_t kWbemNotSupported = 0x8004100Cu;

// Reinterprets an HRESULT as the signed number a failure carries.
constexpr std::int32_t hresult(std::uint32_t code) { return static_cast<std::int32_t>(code); }

// A failure reported by the service itself, with its usual description.
[[noreturn]] void raiseService(std::uint32_t code);
[[noreturn]] void raiseService(std::uint32_t code, std::string description);
std::string describeService(std::uint32_t code);
}  // namespace fail

}  // namespace tq
