// The inventory server's answer as the client takes it: the body inflated
// (zlib, within a bound) or else taken as plain XML, then the REPLY's
// RESPONSE read from it. What the reply gives must come back unchanged
// through compress and uncompress.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ocs/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tq::ocs;
    constexpr std::size_t kLimit = 1 << 16;
    // The first byte chooses: the rest as the body, or the rest compressed
    // (so that what inflates well still reaches the reply's parser).
    if (size == 0) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string packed = data[0] & 1 ? compress(rest) : std::string();
    const std::string_view body = data[0] & 1 ? std::string_view(packed) : rest;
    std::string text;
    try {
        text = uncompress(body, kLimit);
        if (text.size() > kLimit) std::abort();  // the bound did not hold
    } catch (const std::runtime_error&) {
        text = std::string(body);
    }
    if (const auto response = replyResponse(text)) {
        if (response->size() > text.size()) std::abort();
        if (uncompress(compress(*response), response->size()) != *response) std::abort();
    }
    return 0;
}
