// Feeds arbitrary text to the readers of sysfs, procfs and /etc files and
// to the name database parser; the first byte picks the reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/linux/ids.h"
#include "platform/linux/sysfs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tq::linuxprov;
    if (size == 0) return 0;
    std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 10) {
    case 0: (void)parseMountinfo(in); break;
    case 1: (void)parseCpuinfo(in); break;
    case 2: (void)parseAssignments(in); break;
    case 3: (void)parseAtaIdentify(in); break;
    case 4: (void)kernelBuildDate(in); break;
    case 5: {
        auto k = parseKeyboardConfig(in);
        (void)windowsLayoutId(k.layout, k.variant);
        (void)countryCodeForLocale(in);
        break;
    }
    case 6: (void)parseAsoundCodec(in); break;
    case 7: {
        auto n = IdNames::parse(in, {0x8086, 0x10ec, 0x1002});
        (void)n.device(0x8086, 0x1234);
        (void)shortVendor(in);
        break;
    }
    case 8: (void)cleanText(in); break;
    default:
        (void)parseNumber(in);
        (void)parseNumber(in, 16);
        (void)split(in, ' ');
        break;
    }
    return 0;
}
