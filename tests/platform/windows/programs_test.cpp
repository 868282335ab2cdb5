// Installed programs from the registry's uninstall entries where the service
// lacks the class, over a registry made up for the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <variant>

#include "platform/windows/programs.h"
#include "failure_of.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

constexpr std::uint32_t kLm = 0x80000002u, kCu = 0x80000001u;
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Keys by root, view ("64", "32", "" for the user's) and path; values are
// texts (REG_SZ) or numbers (REG_DWORD).
class FakeRegistry final : public platform::Registry {
public:
    using Values = std::map<std::string, std::variant<std::string, std::uint32_t>>;
    std::map<std::string, Values> keys;  // "<root>|<view>|<path>"
    int open = 0;

    void add(std::uint32_t root, const std::string& view, const std::string& sub, Values v) {
        keys[id(root, view, kUninstall)];
        keys[id(root, view, kUninstall + "\\" + sub)] = std::move(v);
    }
    long openKey(std::uint32_t root, const std::string& path, std::uint32_t access, std::uintptr_t& h) override {
        const std::string view = root == kCu ? "" : (access & 0x200) ? "32" : "64";
        auto it = keys.find(id(root, view, path));
        if (it == keys.end()) return 2;
        h = reinterpret_cast<std::uintptr_t>(&*it);
        ++open;
        return 0;
    }
    long queryValue(std::uintptr_t h, const std::string& name, std::uint32_t& type, std::string& buffer,
                    std::uint32_t& size) override {
        const auto& values = reinterpret_cast<const std::pair<const std::string, Values>*>(h)->second;
        auto it = values.find(name);
        if (it == values.end()) return 2;
        const auto* text = std::get_if<std::string>(&it->second);
        const std::uint32_t n = text ? 0 : std::get<std::uint32_t>(it->second);
        const std::string raw = text ? *text + '\0' : std::string(reinterpret_cast<const char*>(&n), 4);
        type = text ? 1 : 4;
        const bool fits = raw.size() <= size;
        if (fits) buffer.replace(0, raw.size(), raw);
        size = static_cast<std::uint32_t>(raw.size());
        return fits ? 0 : 234;  // ERROR_MORE_DATA
    }
    long closeKey(std::uintptr_t) override {
        --open;
        return 0;
    }
    long enumKey(std::uintptr_t h, std::uint32_t index, std::string& name) override {
        const std::string prefix = reinterpret_cast<const std::pair<const std::string, Values>*>(h)->first + "\\";
        std::uint32_t i = 0;
        for (const auto& [k, v] : keys)
            if (k.rfind(prefix, 0) == 0 && k.find('\\', prefix.size()) == std::string::npos && i++ == index) {
                name = k.substr(prefix.size());
                return 0;
            }
        return 259;
    }

private:
    static std::string id(std::uint32_t root, const std::string& view, const std::string& path) {
        return std::to_string(root) + "|" + view + "|" + path;
    }
};

// A service without the class: its walk fails at the start, or (asked to
// wait) the query itself fails; or (`empty`) a class without objects.
class NoProgramsService final : public wmi::Service {
public:
    explicit NoProgramsService(bool empty) : empty(empty) {}
    const bool empty;
    int queries = 0;
    wmi::CollectionPtr execQuery(std::string_view, std::string_view, int flags) override {
        ++queries;
        struct Failing final : wmi::Collection {
            bool empty;
            const wmi::Object* next() override {
                if (empty) return nullptr;
                fail::raiseService(fail::kWbemInvalidClass);
            }
        };
        if (!(flags & wmi::kReturnImmediately) && !empty) fail::raiseService(fail::kWbemInvalidClass);
        auto c = std::make_unique<Failing>();
        c->empty = empty;
        return c;
    }
};

std::vector<std::map<std::string, std::string>> rows(wmi::Collection& c) {
    std::vector<std::map<std::string, std::string>> out;
    while (const wmi::Object* o = c.next()) {
        auto& r = out.emplace_back();
        for (const char* p : {"Name", "Version", "Vendor", "Language", "ProgramId", "MsiProductCode"})
            r[p] = o->get(p).isText() ? o->get(p).rawText() : "<absent>";
    }
    return out;
}

TEST(RegistryPrograms, UninstallEntriesOfBothViewsAndTheUser) {
    FakeRegistry reg;
    const std::string code = "{90160000-008C-0000-1000-0000000FF1CE}";
    // clang-format off
    reg.add(kLm, "64", code, {{"DisplayName", "Office 16 Click-to-Run Extensibility Component"},
                              {"DisplayVersion", "16.0.17928.20114"}, {"Publisher", "Microsoft Corporation"},
                              {"Language", 1033u}, {"WindowsInstaller", 1u}});
    reg.add(kLm, "64", "7-Zip", {{"DisplayName", "7-Zip 23.01 (x64)"}, {"DisplayVersion", "23.01"},
                                 {"Publisher", "Igor Pavlov"}});
    // clang-format on
    reg.add(kLm, "64", "NoName", {{"DisplayVersion", "1"}});
    reg.add(kLm, "64", "Driver", {{"DisplayName", "Hidden"}, {"SystemComponent", 1u}});
    reg.add(kLm, "64", "KB5001", {{"DisplayName", "Update"}, {"ParentKeyName", "7-Zip"}});
    reg.add(kLm, "32", "Notepad++",
            {{"DisplayName", "Notepad++ (32-bit x86)"},
             {"DisplayVersion", std::string(600, '8')},
             {"Publisher", std::string(70000, 'P')}});
    // A key named like a product code, but not the installer's own entry.
    const std::string guid = "{0A6D27C5-6F5B-4F6E-9C1B-2D4E5F607182}";
    reg.add(kCu, "", guid, {{"DisplayName", "Spotify"}, {"DisplayVersion", "1.2.31"}, {"WindowsInstaller", 0u}});

    auto repo = registryPrograms(reg);
    auto result = wmi::makeService(repo)->execQuery("SELECT * FROM Win32_InstalledWin32Program", "WQL", 48);
    const auto got = rows(*result);
    ASSERT_EQ(got.size(), 4u);
    using R = std::map<std::string, std::string>;
    // clang-format off
    EXPECT_EQ(got[0], (R{{"Name", "7-Zip 23.01 (x64)"}, {"Version", "23.01"}, {"Vendor", "Igor Pavlov"},
                         {"Language", "<absent>"}, {"ProgramId", "x64\\7-Zip"}, {"MsiProductCode", "<absent>"}}));
    EXPECT_EQ(got[1], (R{{"Name", "Office 16 Click-to-Run Extensibility Component"}, {"Version", "16.0.17928.20114"},
                         {"Vendor", "Microsoft Corporation"}, {"Language", "1033"}, {"ProgramId", "x64\\" + code},
                         {"MsiProductCode", code}}));
    // clang-format on
    // A value longer than the first read is read whole; one past the bound is
    // left out rather than read without end.
    EXPECT_EQ(got[2].at("ProgramId"), "x86\\Notepad++");
    EXPECT_EQ(got[2].at("Version"), std::string(600, '8'));
    EXPECT_EQ(got[2].at("Vendor"), "<absent>");
    EXPECT_EQ(got[3].at("ProgramId"), guid);
    EXPECT_EQ(got[3].at("MsiProductCode"), "<absent>");
    EXPECT_EQ(reg.open, 0) << "every key opened is closed";
}

TEST(RegistryPrograms, AnswerWhereTheServiceLacksTheClass) {
    FakeRegistry reg;
    reg.add(kLm, "64", "7-Zip", {{"DisplayName", "7-Zip"}});
    for (int flags : {48, 0, -1}) {
        auto inner = std::make_unique<NoProgramsService>(flags < 0);
        flags = std::max(flags, 0);
        NoProgramsService* raw = inner.get();
        wmi::ServicePtr s = withRegistryPrograms(std::move(inner), reg);
        auto c = s->execQuery("SELECT * FROM Win32_InstalledWin32Program WHERE Name LIKE '7%'", "WQL", flags);
        EXPECT_EQ(rows(*c).size(), 1u) << flags;
        // Other classes keep the service's own answer.
        EXPECT_EQ(failureOf([&] { s->execQuery("SELECT * FROM Win32_Nothing", "WQL", flags)->next(); }).number,
                  raw->empty ? 0 : fail::hresult(fail::kWbemInvalidClass));
        EXPECT_EQ(raw->queries, 2);
    }
}

}  // namespace
}  // namespace tq::win
