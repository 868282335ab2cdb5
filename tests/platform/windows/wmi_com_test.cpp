// The service's monikers taken apart, and the COM backend against the
// machine's own management service (Wine's when the tests run under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/windows/moniker.h"
#include "platform/windows/wmi_com.h"
#include "failure_of.h"
#include "wmi/failure.h"
#include "wmi/run.h"
#include "wmi/service.h"
#include "wmi/trace.h"

namespace tq::win {
namespace {

TEST(MonikerParse, PathsLevelsAndDefaults) {
    // The moniker, its connection path, impersonation and authentication levels, object path.
    const std::tuple<std::string_view, const char*, unsigned long, unsigned long, const char*> rows[] = {
        // The program's three monikers.
        {wmi::kMoniker, "\\\\.\\root\\cimv2", 3, 0, ""},
        {wmi::kMonikerUpper, "\\\\.\\root\\CIMV2", 3, 0, ""},
        {wmi::kMonikerPlain, "\\\\.\\root\\CIMV2", 3, 0, ""},  // the service's default level
        {"winmgmts:", "\\\\.\\root\\cimv2", 3, 0, ""},
        {"winmgmts:\\\\.", "\\\\.\\root\\cimv2", 3, 0, ""},
        {"WINMGMTS:{ImpersonationLevel = Identify}", "\\\\.\\root\\cimv2", 2, 0, ""},
        {"winmgmts://server1/root/default", "\\\\server1\\root\\default", 3, 0, ""},
        {"winmgmts:root\\wmi", "\\\\.\\root\\wmi", 3, 0, ""},
        {"winmgmts:\\\\.\\root\\cimv2:Win32_BIOS", "\\\\.\\root\\cimv2", 3, 0, "Win32_BIOS"},
    };
    for (const auto& [text, connect, impersonation, authentication, objectPath] : rows) {
        SCOPED_TRACE(text);
        auto m = parseMoniker(text);
        ASSERT_TRUE(m);
        EXPECT_EQ(std::tie(m->impersonation, m->authentication, m->objectPath),
                  std::make_tuple(impersonation, authentication, std::string(objectPath)));
        EXPECT_EQ(m->connectPath(), connect);
    }
}

TEST(MonikerParse, SecuritySettingsAndLocale) {
    auto m = parseMoniker("winmgmts:{impersonationLevel=delegate,authenticationLevel=pktPrivacy,(Debug, !Shutdown)}"
                          "[locale=ms_407]!\\\\srv\\root\\cimv2");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->impersonation, 4u);
    EXPECT_EQ(m->authentication, 6u);
    EXPECT_EQ(m->privileges, (std::vector<std::string>{"Debug", "!Shutdown"}));
    EXPECT_EQ(m->locale, "ms_407");
    EXPECT_EQ(m->connectPath(), "\\\\srv\\root\\cimv2");
}

TEST(MonikerParse, RejectsWhatIsNoMoniker) {
    for (const char* bad : {
             "", "winmgmt:\\\\.\\root\\cimv2",
             "winmgmts:{impersonationLevel=impersonate",                     // unclosed settings
             "winmgmts:{impersonationLevel=pretend}!\\\\.\\root",            // unknown level
             "winmgmts:{colour=blue}",                                       // unknown setting
             "winmgmts:{impersonationLevel=impersonate}\\\\.\\root\\cimv2",  // no "!"
             "winmgmts:\\\\\\root",                                          // empty server
             "winmgmts:\\\\.\\root\\\\cimv2",                                // empty namespace part
             "winmgmts:\\\\.\\root\\cimv2:",                                 // empty object path
         }) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseMoniker(bad));
    }
}

TEST(ComService, ObjectsAndPropertiesAsTheServiceDeliversThem) {
    wmi::ServicePtr service = bindMoniker(wmi::kMoniker);
    wmi::CollectionPtr result = service->execQuery("Select * from Win32_Bios", "WQL", wmi::kProbeFlags);
    const wmi::Object* bios = result->next();
    ASSERT_NE(bios, nullptr);
    EXPECT_EQ(::_stricmp(bios->className().c_str(), "Win32_BIOS"), 0) << bios->className();
    // Properties by name without regard to case; a missing one is the caller's failure.
    EXPECT_TRUE(bios->get("Manufacturer").isText());
    EXPECT_EQ(bios->get("SMBIOSBIOSVersion"), bios->get("smbiosbiosversion"));
    EXPECT_EQ(numberOf([&] { bios->get("NoSuchProperty"); }), fail::kNotSupported);
    const auto names = bios->names();
    EXPECT_NE(std::find(names.begin(), names.end(), "Manufacturer"), names.end());
    EXPECT_TRUE(std::none_of(names.begin(), names.end(), [](const auto& n) { return n.rfind("__", 0) == 0; }));
    EXPECT_EQ(result->next(), nullptr);
    EXPECT_EQ(result->next(), nullptr);  // stays at the end

    auto cpus = service->execQuery("SELECT * FROM Win32_Processor", "WQL", wmi::kProbeFlags);
    const wmi::Object* cpu = cpus->next();
    ASSERT_NE(cpu, nullptr);
    EXPECT_TRUE(cpu->get("MaxClockSpeed").isInteger());  // uint32
    EXPECT_TRUE(cpu->get("Architecture").isInteger());   // uint16
    // The service's default flags walk too.
    auto oses = service->execQuery("SELECT * FROM Win32_OperatingSystem", "WQL", wmi::kDefaultFlags);
    const wmi::Object* os = oses->next();
    ASSERT_NE(os, nullptr);
    const Value& memory = os->get("TotalVisibleMemorySize");  // uint64: a text holding the number
    EXPECT_TRUE(memory.isText());
    EXPECT_TRUE(memory.number().has_value());
}

// A run connects once (one ConnectServer, one "connected" line) whatever
// moniker each caller binds, sends each query once, and keeps the service's
// objects valid after the walk has moved on.
TEST(ComService, ARunConnectsOnceAndSendsEachQueryOnce) {
    std::vector<std::string> lines;
    {
        wmi::Run run(wmi::traced(makeComBinder(), [&](std::string_view l) { lines.emplace_back(l); }));
        for (std::string_view moniker : {wmi::kMoniker, wmi::kMonikerUpper, wmi::kMonikerPlain}) {
            auto r = run.bind(moniker)->execQuery("SELECT * FROM Win32_Processor", "WQL", wmi::kProbeFlags);
            const wmi::Object* first = r->next();
            ASSERT_NE(first, nullptr);
            while (r->next()) {
            }
            EXPECT_FALSE(first->get("Name").str().empty());
        }
    }
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("\tconnected\t"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\tSELECT * FROM Win32_Processor"), std::string::npos) << lines[1];
}

TEST(ComService, ServiceFailuresAreNegative) {
    wmi::ServicePtr service = bindMoniker(wmi::kMoniker);
    EXPECT_EQ(numberOf([&] { service->execQuery("SELEC * FROM Win32_BIOS", "WQL", 0); }),
              fail::hresult(fail::kWbemInvalidQuery));
    EXPECT_LT(numberOf([&] { service->execQuery("SELECT * FROM Win32_BIOS", "SQL", 0)->next(); }), 0);
    EXPECT_LT(numberOf([&] { bindMoniker("winmgmts:\\\\.\\root\\no_such_namespace"); }), 0);
    EXPECT_EQ(numberOf([&] { bindMoniker("Scripting.FileSystemObject"); }), fail::hresult(0x800401E4u));
    EXPECT_EQ(numberOf([&] { bindMoniker("winmgmts:\\\\.\\root\\cimv2:Win32_BIOS"); }), fail::kNotSupported);

    // Returning immediately, a rejected query fails when the walk starts.
    wmi::CollectionPtr r;
    ASSERT_EQ(numberOf([&] { r = service->execQuery("SELEC * FROM Win32_BIOS", "WQL", wmi::kProbeFlags); }), 0);
    EXPECT_EQ(numberOf([&] { r->next(); }), fail::hresult(fail::kWbemInvalidQuery));
}

}  // namespace
}  // namespace tq::win
