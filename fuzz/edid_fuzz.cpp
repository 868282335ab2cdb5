// The EDID reader over arbitrary bytes: it must never read outside them,
// and what it reads must stay within the block.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ocs/edid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto m = tq::edid::parse(bytes)) {
        if (m->name.size() > 13 || m->serialText.size() > 13) __builtin_trap();
        (void)m->model();
        (void)m->serial();
        (void)m->altSerial();
    }
    const std::string encoded = tq::edid::base64(bytes);
    if (encoded.size() % 4 != 0) __builtin_trap();
    if (auto raw = tq::edid::fromHex(bytes)) (void)tq::edid::toHex(*raw);
    (void)tq::edid::pnpName(bytes, "DEL");
    return 0;
}
