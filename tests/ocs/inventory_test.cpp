// The inventory: its builders on recorded machines (Windows and Linux side
// by side), the fields administrators read, the odd values each section
// meets, and the two forms written from one model.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
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
    // The field's text; "<absent>" when the element or the field is missing.
    std::string field(const char* section, std::size_t index, const char* tag) const {
        const auto nodes = all(section);
        if (index >= nodes.size()) return "<absent>";
        pugi::xml_node f = nodes[index].child(tag);
        return f ? f.text().get() : "<absent>";
    }
};

Inventory inventoryOf(std::string_view snapshot, std::string designation = "PC 01", std::string tag = "") {
    tq::ocs::InventoryOptions o;
    o.designation = std::move(designation);
    o.tag = std::move(tag);
    tq::wmi::Run run(tq::wmi::makeBinder(tq::wmi::parseSnapshot(snapshot, "test snapshot")));
    return Inventory::read(run, o);
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

template <std::size_t N>
void expectFields(const Doc& d, const FieldCase (&cases)[N]) {
    for (const FieldCase& c : cases)
        EXPECT_EQ(d.field(c.section, c.index, c.tag), c.expected) << c.section << "[" << c.index << "]/" << c.tag;
}

// The odd values of each section that the recorded machines (their files in
// tests/data, checked by RecordedMachinesAsSent) do not show.
TEST(OcsInventory, SectionsFromEachClass) {
    const Doc d(inventoryXml(kMachine));
    // clang-format off
    // clang-format off
    const FieldCase cases[] = {
        {"HARDWARE", 0, "MEMORY", "16384"}, {"HARDWARE", 0, "SWAP", "2432"}, {"HARDWARE", 0, "PROCESSORN", "2"},
        {"HARDWARE", 0, "USERID", "<absent>"}, {"BIOS", 0, "BDATE", "04/15/2019"}, {"BIOS", 0, "MSN", "Müller-Ω"},
        {"CPUS", 0, "CPUARCH", "x86_64"}, {"CPUS", 0, "DATA_WIDTH", "64"},
        {"CPUS", 0, "CURRENT_ADDRESS_WIDTH", "64"},
        {"CPUS", 1, "CPUARCH", "<absent>"},  // an architecture code nobody knows
        {"CPUS", 1, "SPEED", "<absent>"}, {"MEMORIES", 0, "MANUFACTURER", "80CE000080CE"},
        {"MEMORIES", 1, "CAPTION", "Physical Memory"},
        {"MEMORIES", 1, "CAPACITY", "17592186044415"},  // the largest 64-bit size
        {"MEMORIES", 1, "TYPE", "DDR3"},                // from the older code
        {"MEMORIES", 2, "CAPACITY", "<absent>"},        // not a number
        {"MEMORIES", 2, "NUMSLOTS", "3"}, {"STORAGES", 1, "DISKSIZE", "<absent>"},
        {"DRIVES", 0, "TOTAL", "243630"}, {"DRIVES", 0, "FREE", "100"}, {"DRIVES", 1, "TOTAL", "<absent>"},
        {"NETWORKS", 0, "MTU", "1500"},
        // One entry per address; the miniport without a MAC address is left out.
        {"NETWORKS", 1, "IPGATEWAY", "fe80::1"}, {"NETWORKS", 1, "IPDHCP", "<absent>"},
        {"NETWORKS", 2, "DESCRIPTION", "Wi-Fi adapter"},  // disabled: no address
        {"NETWORKS", 2, "SPEED", "866 Mb/s"},
        {"NETWORKS", 2, "STATUS", "Down"},  // enabled, but its medium is disconnected
        {"NETWORKS", 2, "IPADDRESS", "<absent>"}, {"NETWORKS", 3, "MACADDR", "<absent>"},
        {"VIDEOS", 0, "MEMORY", "4095"},  // past 32 signed bits
        {"VIDEOS", 1, "MEMORY", "2048"},  // a negative 32-bit value read as unsigned
        {"VIDEOS", 1, "RESOLUTION", "<absent>"},
        {"INPUTS", 1, "INTERFACE", "PS/2"},  // the keyboard's bus, never its layout code
        {"INPUTS", 2, "TYPE", "Pointing"}, {"INPUTS", 2, "POINTTYPE", "Mouse"},
        {"INPUTS", 2, "MANUFACTURER", "Microsoft"},
        {"CONTROLLERS", 0, "VERSION", "10.0.19041.1"}, {"CONTROLLERS", 1, "TYPE", "HDC"},
        {"CONTROLLERS", 2, "NAME", "PCI Bridge"},
        {"CONTROLLERS", 3, "NAME", "<absent>"},  // neither PCI, USB nor HDC; nameless ones are left out
        {"SOFTWARES", 1, "NAME", "7-Zip 23.01 (x64)"},  // programs follow the updates
        {"SOFTWARES", 2, "NAME", "<absent>"},  // the nameless one and "File 1" are left out
    };
    // clang-format on
    // clang-format on
    expectFields(d, cases);
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
    const FieldCase cases[] = {
        {"NETWORKS", 0, "IPADDRESS", "10.0.0.7"},
        {"NETWORKS", 0, "IPMASK", "255.255.254.0"},
        {"NETWORKS", 0, "IPSUBNET", "10.0.0.0"},
        {"NETWORKS", 0, "IPGATEWAY", "<absent>"},
        {"NETWORKS", 0, "IPDHCP", "<absent>"},  // a server named, DHCP off
        {"NETWORKS", 1, "IPADDRESS", "10.0.1.7"},
        {"NETWORKS", 1, "IPMASK", "255.255.240.0"},  // a prefix length for IPv4 too
        {"NETWORKS", 1, "IPSUBNET", "10.0.0.0"},
        {"NETWORKS", 2, "IPADDRESS", "2001:db8:0:0:1:0:0:1"},
        {"NETWORKS", 2, "IPMASK", "ffff:ffff:ffff::"},
        {"NETWORKS", 2, "IPSUBNET", "2001:db8::"},
        {"NETWORKS", 3, "IPMASK", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
        {"NETWORKS", 3, "IPSUBNET", "::ffff:a01:203"},
        {"NETWORKS", 4, "IPADDRESS", "not-an-address"},  // sent as given, nothing derived
        {"NETWORKS", 4, "IPMASK", "<absent>"},
        {"NETWORKS", 5, "IPADDRESS", "2001:db8::9"},
        {"NETWORKS", 5, "IPMASK", "<absent>"},  // no subnet entry for it
        {"NETWORKS", 6, "DESCRIPTION", "C"},    // an array that is no array: no address
        {"NETWORKS", 6, "IPADDRESS", "<absent>"},
        {"NETWORKS", 7, "DESCRIPTION", "D"},         // no Index: no configuration
        {"NETWORKS", 8, "DESCRIPTION", "<absent>"},  // a configuration without its adapter is not sent
        {"HARDWARE", 0, "IPADDR", "10.0.0.7"},       // no gateway anywhere: the first adapter with an address
        {"HARDWARE", 0, "DEFAULTGATEWAY", "<absent>"},
        {"HARDWARE", 0, "DNS", "10.0.0.53"},
    };
    expectFields(d, cases);
}

// What the recorded Linux machine (tests/data/linux-machine.json) does not
// show: a Wi-Fi card, a CD drive, an unmounted volume, a module's own
// version, sizes past the server's 32-bit column.
TEST(OcsInventory, LinuxOddValues) {
    const Doc d(inventoryXml(kLinuxMachine));
    const FieldCase cases[] = {
        {"HARDWARE", 0, "NAME", "Workshop"},
        {"CPUS", 0, "CURRENT_ADDRESS_WIDTH", "48"},
        {"NETWORKS", 1, "TYPE", "Wifi"},
        {"STORAGES", 0, "MANUFACTURER", "QEMU"},  // the kernel's maker
        {"STORAGES", 1, "MANUFACTURER", "<absent>"},
        {"STORAGES", 1, "DESCRIPTION", "<absent>"},
        {"DRIVES", 1, "FILESYSTEM", "vfat"},  // the system's own name, lower case
        {"DRIVES", 2, "TYPE", "<absent>"},    // not mounted: not sent
        {"CONTROLLERS", 1, "VERSION", "5.4.0-k"},
        {"SOFTWARES", 1, "FILESIZE", "<absent>"},
    };
    expectFields(d, cases);
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
        "python3 -c 'import json, sys, jsonschema\n"
        "s = json.load(open(sys.argv[1]))\n"
        "v = jsonschema.Draft7Validator(s, format_checker=jsonschema.FormatChecker())\n"
        "errors = [e.message for f in sys.argv[2:] for e in v.iter_errors(json.load(open(f)))]\n"
        "print(errors)\n"
        "sys.exit(1 if errors else 0)' " +
        tq::testing::quote(schema) + " " + tq::testing::quote(tmp.write("w.json", windows)) + " " +
        tq::testing::quote(tmp.write("l.json", debian)) + " " +
        // The laptop's, as RecordedMachinesAsSent keeps it: monitors, printers, USB devices, batteries.
        tq::testing::quote(std::string(TQ_SOURCE_DIR) + "/tests/data/laptop-inventory.glpi.json");
    const tq::testing::RunResult r = tq::testing::runShell(check + " >&2", tmp.path + "/err.txt");
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
    expectFields(d, {{"HARDWARE", 0, "NAME", "Prüfplatz 7"},  // a blank name gives way to the designation
                     {"HARDWARE", 0, "USERID", "ACME\\joe"},  // control characters dropped
                     {"HARDWARE", 0, "MEMORY", "8192"},       // the modules add up
                     {"BIOS", 0, "SSN", "BIOS-SN"},
                     {"BIOS", 0, "BVERSION", "ALASKA - 1072009"},
                     {"BIOS", 0, "BDATE", "unknown"},
                     {"SOUNDS", 0, "NAME", "</SOUNDS><SOUNDS>injected"},
                     {"ACCOUNTINFO", 0, "KEYVALUE", "Line <3>"},
                     {"HARDWARE", 0, "PROCESSORN", "<absent>"}});
    EXPECT_EQ(d.all("SOUNDS").size(), 1u);
    EXPECT_EQ(d.all("CPUS").size(), 0u);
}

TEST(OcsInventory, NoServiceGivesTheDesignationAndEmptySections) {
    tq::ocs::InventoryOptions o;
    o.designation = "PC-7";
    tq::wmi::Run run(nullptr);  // reaches no service
    const Inventory inv = Inventory::read(run, o);
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
                     {"NETWORKS", 1, "TYPE", "Wifi"},
                     {"NETWORKS", 1, "MTU", "1400"},
                     {"NETWORKS", 2, "TYPE", "Wifi"}});
}
