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
    const std::string_view body(reinterpret_cast<const char*>(data), size);
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
