// Feeds arbitrary bytes to the SMBIOS parser in each of its input forms and
// reads every field the firmware classes read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/linux/smbios.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tq::linuxprov::smbios;
    std::string_view in(reinterpret_cast<const char*>(data), size);
    Table tables[3] = {parseBlob(in), parseStructures(in),
                       parsePair(in.substr(0, in.size() / 2), in.substr(in.size() / 2))};
    for (const Table& t : tables) {
        for (const Structure& s : t.structures) {
            for (std::size_t off = 0; off < 0x60; ++off) {
                (void)s.string(off);
                (void)s.qword(off);
                (void)s.dword(off);
            }
            (void)uuid(s, t);
            (void)memorySize(s);
            if (auto v = s.string(BiosInformation::BiosReleaseDate)) (void)releaseDate(*v);
            if (auto b = s.byte(MemoryDevice::MemoryType)) (void)cimMemoryType(*b);
            if (auto h = s.word(ProcessorInformation::L2CacheHandle)) (void)t.byHandle(*h);
        }
    }
    return 0;
}
