// A fuzzed snapshot mapped to the inventory server's sections: every class
// the mapping reads, whatever its properties hold, and the request written
// from it must stay well-formed XML that names the device.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "fuzz/snapshot_input.h"
#include "ocs/inventory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tq;
    wmi::Binder binder = fuzzing::snapshotBinder(data, size);
    if (!binder) return 0;
    std::string xml;
    {
        wmi::Run run(std::move(binder));
        xml = ocs::Inventory::read(run, {"Fuzz", ""}).requestXml("fuzz-2026-01-01-00-00-00");
    }
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8)) std::abort();
    const pugi::xml_node request = doc.child("REQUEST");
    if (std::string_view(request.child("DEVICEID").text().get()) != "fuzz-2026-01-01-00-00-00") std::abort();
    if (!request.child("CONTENT")) std::abort();
    return 0;
}
