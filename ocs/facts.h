// Reading the management classes for the inventory's builders: properties
// as texts and numbers without a failure for a property an object lacks,
// and the IP address arithmetic the network section needs.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ocs/model.h"
#include "wmi/service.h"

namespace tq::ocs {

// Text fit for XML 1.0: invalid UTF-8 bytes become U+FFFD, control
// characters other than tab, line feed and carriage return are dropped.
std::string cleanText(std::string_view s);

}  // namespace tq::ocs

namespace tq::ocs::facts {

using wmi::Object;

// The property's text form; "" when absent or not a scalar.
std::string text(const Object& o, std::string_view name);
// An unsigned number: 16- and 32-bit properties arrive as signed integers
// (so -1 is 4294967295), 64-bit ones as texts holding the digits.
model::Number number(const Object& o, std::string_view name);
model::Flag flag(const Object& o, std::string_view name);
// The texts of an array property; a single text counts as an array of one.
std::vector<std::string> texts(const Object& o, std::string_view name);
// The first of some properties that holds a text.
std::string firstOf(const Object& o, std::initializer_list<std::string_view> names);

std::string trimmed(std::string s);
model::Number megabytes(model::Number bytes);

// An IPv4 or IPv6 address as its bytes (IPv4 in the first four).
struct Address {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{};
};
std::optional<Address> parseAddress(std::string_view s);
// Dotted IPv4; IPv6 in its short form.
std::string formatAddress(const Address& a);
// The mask of an address from its subnet entry: a dotted mask or a prefix length.
std::optional<Address> maskFor(const Address& address, std::string_view entry);

}  // namespace tq::ocs::facts
