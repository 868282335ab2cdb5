// The inventory: its builders on recorded machines (Windows and Linux side
// by side), the fields administrators read, the odd values each section
// meets, and the two forms written from one model.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ocs/facts.h"
#include "ocs/inventory.h"
#include "ocs/render.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"
#ifndef _WIN32
#include "tests/support/shell.h"
#endif
#include "wmi/repository.h"
#include "wmi/snapshot.h"
#include "wmi/trap.h"

namespace {

using tq::ocs::Inventory;

// A Windows and a Linux machine with the odd values each section meets.
const std::string kMachine = tq::testing::readFile(TQ_SOURCE_DIR "/tests/data/odd-windows-machine.json");
const std::string kLinuxMachine = tq::testing::readFile(TQ_SOURCE_DIR "/tests/data/odd-linux-machine.json");

// A parsed inventory with handy lookups.
struct Doc {
    pugi::xml_document doc;
    explicit Doc(const std::string& xml) { EXPECT_TRUE(doc.load_string(xml.c_str())) << xml; }
    pugi::xml_node content() const { return doc.child("REQUEST").child("CONTENT"); }
    std::vector<pugi::xml_node> all(const char* section) const {
        std::vector<pugi::xml_node> out;
        for (pugi::xml_node n : content().children(section)) out.push_back(n);
        return out;
    }
    // The texts of the fields `tags` names ("A|B"), joined by '|'; "<absent>"
    // for a field or an element that is missing.
    std::string field(const char* section, std::size_t index, const char* tags) const {
        const auto nodes = all(section);
        std::string out;
        std::istringstream names(tags);
        for (std::string tag; std::getline(names, tag, '|');) {
            const pugi::xml_node f = index < nodes.size() ? nodes[index].child(tag.c_str()) : pugi::xml_node();
            out += "|" + std::string(f ? f.text().get() : "<absent>");
        }
        return out.substr(1);
    }
};

Inventory inventoryOf(std::string_view snapshot, std::string designation = "PC 01", std::string tag = "") {
    tq::wmi::Run run(tq::wmi::makeBinder(tq::wmi::parseSnapshot(snapshot, "test snapshot")));
    return Inventory::read(run, {std::move(designation), std::move(tag)});
}
std::string inventoryXml(std::string_view snapshot, std::string designation = "PC 01", std::string tag = "") {
    return inventoryOf(snapshot, std::move(designation), std::move(tag)).requestXml("WS-0815-2026-12-07-01-02-03");
}

struct FieldCase {
    const char* section;
    std::size_t index;
    const char* tag;
    const char* expected;
};

void expectFields(const Doc& d, std::initializer_list<FieldCase> cases) {
    for (const FieldCase& c : cases)
        EXPECT_EQ(d.field(c.section, c.index, c.tag), c.expected) << c.section << "[" << c.index << "]/" << c.tag;
}

// The odd values of each section that the recorded machines (their files in
// tests/data, checked by RecordedMachinesAsSent) do not show.
TEST(OcsInventory, SectionsFromEachClass) {
    const Doc d(inventoryXml(kMachine));
    // clang-format off
    expectFields(d, {
        {"HARDWARE", 0, "MEMORY|SWAP|PROCESSORN|USERID", "16384|2432|2|<absent>"},
        {"BIOS", 0, "BDATE|MSN", "04/15/2019|Müller-Ω"},
        {"CPUS", 0, "CPUARCH|DATA_WIDTH|CURRENT_ADDRESS_WIDTH", "x86_64|64|64"},
        {"CPUS", 1, "CPUARCH|SPEED", "<absent>|<absent>"},  // an architecture code nobody knows
        {"MEMORIES", 0, "MANUFACTURER", "80CE000080CE"},
        // The largest 64-bit size; the type from the older code; a size that is not a number.
        {"MEMORIES", 1, "CAPTION|CAPACITY|TYPE", "Physical Memory|17592186044415|DDR3"},
        {"MEMORIES", 2, "CAPACITY|NUMSLOTS", "<absent>|3"},
        {"STORAGES", 1, "DISKSIZE", "<absent>"},
        {"DRIVES", 0, "TOTAL|FREE", "243630|100"}, {"DRIVES", 1, "TOTAL", "<absent>"},
        // One entry per address; the miniport without a MAC address is left out. The Wi-Fi
        // adapter: IP disabled (no address), enabled but its medium disconnected (down).
        {"NETWORKS", 0, "MTU", "1500"}, {"NETWORKS", 1, "IPGATEWAY|IPDHCP", "fe80::1|<absent>"},
        {"NETWORKS", 2, "DESCRIPTION|SPEED|STATUS|IPADDRESS", "Wi-Fi adapter|866 Mb/s|Down|<absent>"},
        {"NETWORKS", 3, "MACADDR", "<absent>"},
        // Past 32 signed bits; a negative 32-bit value read as unsigned.
        {"VIDEOS", 0, "MEMORY", "4095"}, {"VIDEOS", 1, "MEMORY|RESOLUTION", "2048|<absent>"},
        {"INPUTS", 1, "INTERFACE", "PS/2"},  // the keyboard's bus, never its layout code
        {"INPUTS", 2, "TYPE|POINTTYPE|MANUFACTURER", "Pointing|Mouse|Microsoft"},
        {"CONTROLLERS", 0, "VERSION", "10.0.19041.1"}, {"CONTROLLERS", 1, "TYPE", "HDC"},
        {"CONTROLLERS", 2, "NAME", "PCI Bridge"},
        {"CONTROLLERS", 3, "NAME", "<absent>"},  // neither PCI, USB nor HDC; nameless ones are left out
        {"SOFTWARES", 1, "NAME", "7-Zip 23.01 (x64)"},  // programs follow the updates
        {"SOFTWARES", 2, "NAME", "<absent>"},  // the nameless one and "File 1" are left out
    });
    // clang-format on
}

// Several addresses on adapters without a gateway, IPv6 alone, and
// configurations that do not parse.
TEST(OcsInventory, AddressesWithoutGatewayAndOddConfigurations) {
    const char* snapshot = R"json({
      "Win32_NetworkAdapter": [
        {"Name": "A", "MACAddress": "00:11:22:33:44:55", "Index": 7},
        {"Name": "B", "MACAddress": "00:11:22:33:44:66", "Index": 8},
        {"Name": "C", "MACAddress": "00:11:22:33:44:77", "Index": 9},
        {"Name": "D", "MACAddress": "00:11:22:33:44:88"}],
      "Win32_NetworkAdapterConfiguration": [
        {"Index": 7, "IPAddress": ["10.0.0.7", "10.0.1.7"], "IPSubnet": ["255.255.254.0", "20"],
         "DHCPEnabled": false, "DHCPServer": "10.0.0.1", "DNSServerSearchOrder": "10.0.0.53"},
        {"Index": 8, "IPAddress": ["2001:db8:0:0:1:0:0:1", "::ffff:10.1.2.3", "not-an-address", "2001:db8::9"],
         "IPSubnet": ["48", "128", "24"]},
        {"Index": 9, "IPAddress": [1, {"x": [2]}], "IPSubnet": ["255.255.255.0"]},
        {"Index": 10, "IPAddress": ["192.0.2.10"]}]
    })json";
    const Doc d(inventoryXml(snapshot));
    // clang-format off
    expectFields(d, {
        // A DHCP server named but DHCP off; a prefix length for IPv4 too.
        {"NETWORKS", 0, "IPADDRESS|IPMASK|IPSUBNET|IPGATEWAY|IPDHCP", "10.0.0.7|255.255.254.0|10.0.0.0|<absent>|<absent>"},
        {"NETWORKS", 1, "IPADDRESS|IPMASK|IPSUBNET", "10.0.1.7|255.255.240.0|10.0.0.0"},
        {"NETWORKS", 2, "IPADDRESS|IPMASK|IPSUBNET", "2001:db8:0:0:1:0:0:1|ffff:ffff:ffff::|2001:db8::"},
        {"NETWORKS", 3, "IPMASK|IPSUBNET", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff|::ffff:a01:203"},
        {"NETWORKS", 4, "IPADDRESS|IPMASK", "not-an-address|<absent>"},  // sent as given, nothing derived
        {"NETWORKS", 5, "IPADDRESS|IPMASK", "2001:db8::9|<absent>"},      // no subnet entry for it
        {"NETWORKS", 6, "DESCRIPTION|IPADDRESS", "C|<absent>"},          // an array that is no array: no address
        {"NETWORKS", 7, "DESCRIPTION", "D"},                              // no Index: no configuration
        {"NETWORKS", 8, "DESCRIPTION", "<absent>"},  // a configuration without its adapter is not sent
        // No gateway anywhere: the first adapter with an address.
        {"HARDWARE", 0, "IPADDR|DEFAULTGATEWAY|DNS", "10.0.0.7|<absent>|10.0.0.53"},
    });
    // clang-format on
}

// What the recorded Linux machine (tests/data/linux-machine.json) does not
// show: a Wi-Fi card, a CD drive, an unmounted volume, a module's own
// version, sizes past the server's 32-bit column.
TEST(OcsInventory, LinuxOddValues) {
    const Doc d(inventoryXml(kLinuxMachine));
    // clang-format off
    expectFields(d, {
        {"HARDWARE", 0, "NAME", "Workshop"}, {"CPUS", 0, "CURRENT_ADDRESS_WIDTH", "48"}, {"NETWORKS", 1, "TYPE", "Wifi"},
        {"STORAGES", 0, "MANUFACTURER", "QEMU"},  // the kernel's maker
        {"STORAGES", 1, "MANUFACTURER|DESCRIPTION", "<absent>|<absent>"},
        {"DRIVES", 1, "FILESYSTEM", "vfat"},  // the system's own name, lower case
        {"DRIVES", 2, "TYPE", "<absent>"},    // not mounted: not sent
        {"CONTROLLERS", 1, "VERSION", "5.4.0-k"}, {"SOFTWARES", 1, "FILESIZE", "<absent>"},
    });
    // clang-format on
}

// What GLPI gets in its own forms: module makers by name (unknown codes left
// out; the raw code stays in the OCS request), no ids off PCI, the VM flag.
TEST(OcsInventory, GlpiOwnForms) {
    const auto w = nlohmann::json::parse(inventoryOf(kMachine).glpiJson("id"))["content"];
    const auto l = nlohmann::json::parse(inventoryOf(kLinuxMachine).glpiJson("id"))["content"];
    EXPECT_EQ(w["memories"][0]["manufacturer"], "Samsung");
    EXPECT_FALSE(w["memories"][1].contains("manufacturer"));
    EXPECT_FALSE(w["controllers"][1].contains("vendorid"));  // not on PCI
    EXPECT_FALSE(w["hardware"].contains("vmsystem"));
    EXPECT_EQ(l["hardware"]["vmsystem"], "QEMU");
    EXPECT_EQ(l["networks"][1]["type"], "wifi");  // the wireless folder types the card
}

// The OCS request and the GLPI file are written from one model, neither
// from the other: the same facts in each format's own form (those the
// recorded machines' files do not show).
TEST(OcsInventory, BothFormsFromOneModel) {
    namespace model = tq::ocs::model;
    model::Inventory m;
    m.bios.date = {"20190415000000.000000+000", 2019, 4, 15};
    m.cpus.emplace_back().arch = "ia64";  // an architecture GLPI does not know
    const Doc x(tq::ocs::renderOcs(m, "PC-7-id"));
    const auto j = nlohmann::json::parse(tq::ocs::renderGlpi(m, "PC-7-id"));
    EXPECT_EQ(j["content"]["bios"]["bdate"], "2019-04-15");
    EXPECT_EQ(x.field("CPUS", 0, "CPUARCH"), "ia64");
    EXPECT_FALSE(j["content"]["cpus"][0].contains("arch"));
}

#ifndef _WIN32
// The GLPI form of a Windows and of a Linux machine, checked against GLPI's
// own schema (formats included) by python3-jsonschema.
TEST(OcsInventory, GlpiFormValidatesAgainstGlpisSchema) {
    const char* shared = std::getenv("TQ_SHARED_TESTDATA");  // for a checkout that is not beside it
    const std::string schema = std::string(shared ? shared : TQ_SHARED_TESTDATA) + "/glpi/inventory.schema.json";
    if (!std::filesystem::exists(schema)) GTEST_SKIP() << "no GLPI schema at " << schema;
    if (std::system("python3 -c 'import jsonschema' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3-jsonschema";
    tq::testing::TempDir tmp;
    const std::string windows = inventoryOf(kMachine, "PC 01", "Line 3").glpiJson("WS-0815-2026-12-07-01-02-03");
    const std::string debian = inventoryOf(kLinuxMachine).glpiJson("Workshop-2026-12-07-01-02-03");
    const std::string check =
        "python3 -c 'import json, sys, jsonschema as js\n"
        "v = js.Draft7Validator(json.load(open(sys.argv[1])), format_checker=js.FormatChecker())\n"
        "errors = [e.message for f in sys.argv[2:] for e in v.iter_errors(json.load(open(f)))]\n"
        "sys.exit(str(errors) if errors else 0)' " +
        tq::testing::quote(schema) + " " + tq::testing::quote(tmp.write("w.json", windows)) + " " +
        tq::testing::quote(tmp.write("l.json", debian)) + " " +
        // The laptop's, as RecordedMachinesAsSent keeps it: monitors, printers, USB devices, batteries.
        tq::testing::quote(std::string(TQ_SOURCE_DIR) + "/tests/data/laptop-inventory.glpi.json");
    const tq::testing::RunResult r = tq::testing::runShell(check, tmp.path + "/err.txt");
    EXPECT_EQ(r.status, 0) << r.err;
}
#endif

TEST(OcsInventory, FallbacksAndOddValues) {
    const char* snapshot = R"json({
      "Win32_ComputerSystem": [{"Name": "  ", "UserName": "ACME\\jo\u0001e"}],
      "Win32_Bios": [{"SerialNumber": "BIOS-SN", "Version": "ALASKA - 1072009", "ReleaseDate": "unknown"}],
      "Win32_PhysicalMemory": [{"Capacity": "4294967296"}, {"Capacity": "4294967296"}],
      "Win32_SoundDevice": [{"ProductName": "</SOUNDS><SOUNDS>injected"}]
    })json";
    const Doc d(inventoryXml(snapshot, "Prüfplatz 7", "Line <3>"));
    // A blank name gives way to the designation, control characters are dropped, the modules add up.
    expectFields(d, {{"HARDWARE", 0, "NAME|USERID|MEMORY|PROCESSORN", "Prüfplatz 7|ACME\\joe|8192|<absent>"},
                     {"BIOS", 0, "SSN|BVERSION|BDATE", "BIOS-SN|ALASKA - 1072009|unknown"},
                     {"SOUNDS", 0, "NAME", "</SOUNDS><SOUNDS>injected"},
                     {"ACCOUNTINFO", 0, "KEYVALUE", "Line <3>"}});
    EXPECT_EQ(d.all("SOUNDS").size(), 1u);
    EXPECT_EQ(d.all("CPUS").size(), 0u);
}

TEST(OcsInventory, NoServiceGivesTheDesignationAndEmptySections) {
    tq::wmi::Run run(nullptr);  // reaches no service
    const Inventory inv = Inventory::read(run, {"PC-7", ""});
    EXPECT_EQ(inv.machineName(), "PC-7");
    const Doc d(inv.requestXml("PC-7-2026-01-01-00-00-00"));
    EXPECT_EQ(d.field("HARDWARE", 0, "NAME"), "PC-7");
    for (const char* s : {"CPUS", "MEMORIES", "STORAGES", "DRIVES", "NETWORKS", "VIDEOS", "SOUNDS", "CONTROLLERS"})
        EXPECT_TRUE(d.all(s).empty()) << s;
}

TEST(OcsInventory, CleanText) {
    const std::pair<std::string, std::string> clean[] = {
        {"plain", "plain"},
        {"tab\tand\nlines\r", "tab\tand\nlines\r"},
        {std::string("nul\0x\x1f\x7f", 7), "nulx"},
        {"Gr\xc3\xbc\xc3\x9f", "Gr\xc3\xbc\xc3\x9f"},                      // valid UTF-8 stays
        {"Latin-1 \xfc!", "Latin-1 \xef\xbf\xbd!"},                        // a stray byte becomes U+FFFD
        {"cut \xe2\x82", "cut \xef\xbf\xbd\xef\xbf\xbd"},                  // a truncated sequence
        {"over \xc0\xaf", "over \xef\xbf\xbd\xef\xbf\xbd"},                // an overlong form
        {"sur \xed\xa0\x80", "sur \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},  // a surrogate
        {"c1 \xc2\x85.", "c1 ."},                                          // a C1 control character
        {"emoji \xf0\x9f\x98\x80", "emoji \xf0\x9f\x98\x80"},
    };
    for (const auto& [in, out] : clean) EXPECT_EQ(tq::ocs::cleanText(in), out) << in;
}

// What is sent for a recorded Windows machine, the same as a laptop, and a
// recorded Linux one (tests/data/linux-machine.json: a dump of a Debian VM,
// its program list cut short), kept as the files the server and GLPI get. A changed field
// shows as a diff; TQ_WRITE_GOLDEN=1 rewrites the files after a wanted change.
TEST(OcsInventory, RecordedMachinesAsSent) {
    const std::string data = std::string(TQ_SOURCE_DIR) + "/tests/data/";
    auto windows = nlohmann::json::parse(tq::testing::readFile(data + "realistic-machine.json"));
    windows.update(nlohmann::json::parse(tq::testing::readFile(data + "realistic-network.json")));
    // The same machine as a laptop: monitors, printers, USB devices, a battery.
    auto laptop = windows;
    laptop.update(nlohmann::json::parse(tq::testing::readFile(data + "windows-laptop-assets.json")));
    const std::pair<std::string, std::string> machines[] = {
        {windows.dump(), "realistic-inventory"},
        {tq::testing::readFile(data + "linux-machine.json"), "linux-inventory"},
        {laptop.dump(), "laptop-inventory"},
    };
    const auto unversioned = [](std::string s) {
        const std::string v = "Tallyquest_v" TQ_VERSION;
        for (std::size_t at; (at = s.find(v)) != std::string::npos;) s.replace(at, v.size(), "Tallyquest_vX");
        return s;
    };
    for (const auto& [snapshot, golden] : machines) {
        const Inventory inv = inventoryOf(snapshot.c_str(), "PC 01", "Line 3");
        const std::pair<std::string, std::string> outputs[] = {
            {golden + ".xml", unversioned(inv.requestXml("PC-01-2026-12-07-01-02-03"))},
            {golden + ".glpi.json", unversioned(inv.glpiJson("PC-01-2026-12-07-01-02-03"))},
        };
        for (const auto& [file, text] : outputs) {
            if (std::getenv("TQ_WRITE_GOLDEN")) std::ofstream(data + file, std::ios::binary) << text;
            const std::string kept = tq::testing::readFile(data + file);
            std::size_t at = 0;
            while (at < text.size() && at < kept.size() && text[at] == kept[at]) ++at;
            const std::size_t line = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
            EXPECT_TRUE(text == kept) << file << " differs from line \""
                                      << text.substr(line, text.find('\n', at) - line) << "\" on";
        }
    }
}

}  // namespace

// Windows' own network classes, in a namespace of their own, say which card
// is Wi-Fi (whatever its name suggests) and give the MTU the configuration lacks.
TEST(OcsInventory, StandardNamespaceTellsWifiAndMtu) {
    auto cimv2 = tq::wmi::parseSnapshot(R"json({"Win32_NetworkAdapter": [
        {"Name": "Wireless Card", "AdapterType": "Ethernet 802.3", "MACAddress": "00:11:22:33:44:01", "InterfaceIndex": 4},
        {"Name": "Card B", "AdapterType": "Ethernet 802.3", "MACAddress": "00:11:22:33:44:02", "InterfaceIndex": 5},
        {"Name": "Card C", "AdapterType": "Ethernet 802.3", "MACAddress": "00:11:22:33:44:03", "InterfaceIndex": 6}]
    })json",
                                        "cimv2");
    auto standard = tq::wmi::parseSnapshot(R"json({
      "MSFT_NetAdapter": [{"InterfaceIndex": 4, "PhysicalMediumType": 14}, {"InterfaceIndex": 5, "PhysicalMediumType": 9},
                          {"InterfaceIndex": 6, "PhysicalMediumType": 1}],
      "MSFT_NetIPInterface": [{"InterfaceIndex": 5, "NlMtu": 1400, "AddressFamily": 2},
                              {"InterfaceIndex": 5, "NlMtu": 1280, "AddressFamily": 23}]
    })json",
                                           "standard");
    tq::wmi::Run run([&](std::string_view moniker) -> tq::wmi::ServicePtr {
        const bool own = moniker.find("StandardCimv2") != std::string_view::npos;
        return tq::wmi::makeService(own ? standard : cimv2);
    });
    const Doc d(Inventory::read(run, {"PC 01", ""}).requestXml("WS-0815-2026-12-07-01-02-03"));
    expectFields(d, {{"NETWORKS", 0, "TYPE", "Ethernet 802.3"},
                     {"NETWORKS", 1, "TYPE|MTU", "Wifi|1400"},
                     {"NETWORKS", 2, "TYPE", "Wifi"}});
}
