// The COM backend against the machine's own management service (Wine's
// when the tests run under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "platform/windows/wmi_com.h"
#include "wmi/failure.h"
#include "wmi/service.h"
#include "wmi/trap.h"

namespace tq::win {
namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::int32_t failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

TEST(ComService, EachMonikerBindsAndAnswersTheBiosQuery) {
    for (std::string_view moniker : {wmi::kMoniker, wmi::kMonikerUpper, wmi::kMonikerPlain}) {
        SCOPED_TRACE(moniker);
        wmi::ServicePtr service = bindMoniker(moniker);
        ASSERT_TRUE(service);
        wmi::CollectionPtr result = service->execQuery("Select * from Win32_Bios", "WQL", wmi::kProbeFlags);
        const wmi::Object* bios = result->next();
        ASSERT_NE(bios, nullptr);
        EXPECT_EQ(lower(bios->className()), "win32_bios");
        EXPECT_TRUE(bios->get("Manufacturer").isText());
        EXPECT_EQ(result->next(), nullptr);
        EXPECT_EQ(result->next(), nullptr);  // stays at the end
    }
}

TEST(ComService, PropertiesReadByNameWithoutRegardToCase) {
    wmi::ServicePtr service = bindMoniker(wmi::kMoniker);
    wmi::CollectionPtr result = service->execQuery("SELECT * FROM Win32_BIOS", "WQL", wmi::kProbeFlags);
    const wmi::Object* bios = result->next();
    ASSERT_NE(bios, nullptr);
    const Value& a = bios->get("SMBIOSBIOSVersion");
    const Value& b = bios->get("smbiosbiosversion");
    EXPECT_EQ(a, b);
    const auto names = bios->names();
    EXPECT_NE(std::find(names.begin(), names.end(), "Manufacturer"), names.end());
    EXPECT_EQ(std::find_if(names.begin(), names.end(), [](const std::string& n) { return n.rfind("__", 0) == 0; }),
              names.end());
}

TEST(ComService, PropertyKindsAsTheServiceDeliversThem) {
    wmi::ServicePtr service = bindMoniker(wmi::kMoniker);
    {
        auto r = service->execQuery("SELECT * FROM Win32_Processor", "WQL", wmi::kProbeFlags);
        const wmi::Object* cpu = r->next();
        ASSERT_NE(cpu, nullptr);
        EXPECT_TRUE(cpu->get("Name").isText());
        EXPECT_TRUE(cpu->get("MaxClockSpeed").isInteger());  // uint32
        EXPECT_TRUE(cpu->get("Architecture").isInteger());   // uint16
    }
    {
        auto r = service->execQuery("SELECT * FROM Win32_OperatingSystem", "WQL", wmi::kProbeFlags);
        const wmi::Object* os = r->next();
        ASSERT_NE(os, nullptr);
        EXPECT_TRUE(os->get("Caption").isText());
        const Value& memory = os->get("TotalVisibleMemorySize");  // uint64: a text holding the number
        EXPECT_TRUE(memory.isText());
        EXPECT_TRUE(memory.number().has_value());
    }
}

TEST(ComService, MissingPropertiesAreTheCallersFailure) {
    wmi::ServicePtr service = bindMoniker(wmi::kMoniker);
    auto r = service->execQuery("SELECT * FROM Win32_BIOS", "WQL", wmi::kProbeFlags);
    const wmi::Object* bios = r->next();
    ASSERT_NE(bios, nullptr);
    EXPECT_EQ(failureOf([&] { bios->get("NoSuchProperty"); }), fail::kNotSupported);
}

TEST(ComService, ServiceFailuresAreNegative) {
    wmi::ServicePtr service = bindMoniker(wmi::kMoniker);
    EXPECT_EQ(failureOf([&] { service->execQuery("SELEC * FROM Win32_BIOS", "WQL", 0); }),
              fail::hresult(fail::kWbemInvalidQuery));
    EXPECT_LT(failureOf([&] { service->execQuery("SELECT * FROM Win32_BIOS", "SQL", 0)->next(); }), 0);
    EXPECT_LT(failureOf([&] { bindMoniker("winmgmts:\\\\.\\root\\no_such_namespace"); }), 0);
    EXPECT_EQ(failureOf([&] { bindMoniker("Scripting.FileSystemObject"); }), fail::hresult(0x800401E4u));
    EXPECT_EQ(failureOf([&] { bindMoniker("winmgmts:\\\\.\\root\\cimv2:Win32_BIOS"); }), fail::kNotSupported);
}

TEST(ComService, RejectedQueriesReturningImmediatelyFailWhenTheWalkStarts) {
    wmi::ServicePtr service = bindMoniker(wmi::kMoniker);
    wmi::CollectionPtr r;
    ASSERT_EQ(failureOf([&] { r = service->execQuery("SELEC * FROM Win32_BIOS", "WQL", wmi::kProbeFlags); }), 0);
    ASSERT_TRUE(r);
    EXPECT_EQ(failureOf([&] { r->next(); }), fail::hresult(fail::kWbemInvalidQuery));

    // Under trapping: the walk yields nothing and leaves the service's
    // (negative, never reported) failure pending.
    trap::on();
    int items = 0;
    wmi::walk(r, [&](const wmi::Object&) { ++items; });
    EXPECT_EQ(items, 0);
    EXPECT_EQ(trap::pending().number, fail::hresult(fail::kWbemInvalidQuery));
    EXPECT_FALSE(trap::failed());
    trap::clear();
}

TEST(ComService, TheServicesDefaultFlagsWalkToo) {
    wmi::ServicePtr service = bindMoniker(wmi::kMoniker);
    auto r = service->execQuery("SELECT * FROM Win32_OperatingSystem", "WQL", wmi::kDefaultFlags);
    int count = 0;
    while (r->next()) ++count;
    EXPECT_EQ(count, 1);
}

TEST(ComService, ProgramWideBinderWalksUnderTrapping) {
    wmi::setBinder(makeComBinder());
    trap::on();
    wmi::ServicePtr service;
    wmi::CollectionPtr cpus;
    trap::step([&] { service = wmi::bind(wmi::kMoniker); });
    trap::step([&] { cpus = wmi::execQuery(service, "Select * from Win32_Processor"); });
    int seen = 0;
    wmi::walk(cpus, [&](const wmi::Object& cpu) {
        ++seen;
        EXPECT_FALSE(cpu["Name"].str().empty());
    });
    EXPECT_GE(seen, 1);
    EXPECT_EQ(trap::pending().number, 0);
    wmi::setBinder(nullptr);
}

}  // namespace
}  // namespace tq::win
