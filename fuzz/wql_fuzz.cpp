// Arbitrary text as a query against a small repository: parsing, checking
// and walking must never crash, leak or hit undefined behaviour, whatever
// the query; failures are Error exceptions only.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "wmi/failure.h"
#include "wmi/repository.h"
#include "wmi/wql.h"

namespace {
using namespace tq;
using namespace tq::wmi;

std::shared_ptr<Repository> machine() {
    auto r = std::make_shared<Repository>();
    Instance& d = r->add("Win32_DiskDrive");
    d.set("Model", Value::text("Disk \xC3\xA4"));
    d.set("Size", Value::text("500107862016"));
    d.set("Index", Value::integer(0));
    r->add("Win32_DiskDrive").set("Size", Value::text("not a number"));
    Instance& n = r->add("Win32_NetworkAdapter");
    n.set("Name", Value::text("Realtek LAN"));
    n.set("NetConnectionID", Value::text("Local Area Connection"));
    n.set("NetEnabled", Value::boolean(true));
    n.set("PNPDeviceID", Value::text("PCI\\VEN_10EC&DEV_8168"));
    r->add("Win32_PhysicalMemory").set("Capacity", Value::text("8589934592"));
    Instance& s = r->add("Win32_WinSAT");
    s.set("CPUScore", Value::real(7.3f, true));
    s.set("WinSPRLevel", Value::real(-0.0));
    Instance& c = r->add("Custom_Thing");
    c.set("Count", Value::integer(-2147483647 - 1));
    c.set("Ratio", Value::real(1e308));
    c.set("List", Value::other("[1,2]"));
    c.set("Flag", Value::boolean(false));
    c.set("Label", Value::text(""));
    return r;
}

void walkAll(Collection& c) {
    int items = 0;
    while (const Object* o = c.next()) {
        for (const std::string& name : o->names()) {
            try {
                const Value& v = o->get(name);
                if (!v.isOther()) (void)v.str();
            } catch (const Error&) {
            }
        }
        if (++items > 100) break;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::shared_ptr<Repository> repo = machine();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    for (int flags : {0, kProbeFlags}) {
        try {
            ServicePtr s = makeService(repo);
            CollectionPtr c = s->execQuery(text, "WQL", flags);
            walkAll(*c);
        } catch (const Error&) {
        }
    }
    // The same text as a LIKE pattern, and as a value for one.
    try {
        wql::LikePattern p(text);
        (void)p.matches("Local Area Connection");
        (void)p.matches(text);
    } catch (const Error&) {
    }
    (void)wql::LikePattern("%a%[b-d]_%[^x]%").matches(text);
    return 0;
}
