// The query budget of a report run: one connection, each query once, the
// driver and MAC lookups answered from one walk, and the report's bytes and
// messages exactly those of a run that keeps nothing, also when the service
// is harsh (missing properties, a walk that fails after k objects, a query
// that fails).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "bench/many_devices.h"
#include "probes/probes.h"
#include "report/html.h"
#include "report/main.h"
#include "probes/reportrun.h"
#include "tests/support/fakes.h"
#include "tests/support/service_double.h"
#include "wmi/run.h"
#include "wmi/snapshot.h"
#include "wmi/trap.h"

namespace tq {
namespace {

using testing::ServiceDouble;
using Harm = ServiceDouble::Harm;

std::shared_ptr<wmi::Repository> realistic() {
    return wmi::loadSnapshot(std::string(TQ_SOURCE_DIR) + "/tests/data/realistic-machine.json");
}
std::shared_ptr<wmi::Repository> manyDevices() {
    auto repo = realistic();
    bench::addManyDevices(*repo, 700, 40, 40);
    return repo;
}

// The lookups as written before a run kept anything: a walk of their own.
std::string driverVersionAlone(const wmi::Binder& binder, trap::Trap& t, const std::string& name) {
    wmi::Run run(binder);
    std::string result;
    t.on();
    wmi::ServicePtr service;
    wmi::CollectionPtr drivers;
    t.step([&] { service = run.bind(wmi::kMoniker); });
    t.step([&] { drivers = wmi::execQuery(service, "SELECT * FROM Win32_PnPSignedDriver"); });
    wmi::walk(t, drivers, [&](const wmi::Object& driver) {
        const Value& description = driver["Description"];
        if (!description.isText() || description.rawText() != name) return trap::Walk::Next;
        const Value& version = driver["DriverVersion"];
        if (!version.isNonEmptyText()) return trap::Walk::Next;
        result = version.rawText();
        return trap::Walk::Stop;
    });
    return result;
}

std::string macAddressAlone(const wmi::Binder& binder, trap::Trap& t, const std::string& name) {
    wmi::Run run(binder);
    std::string literal = "'";
    for (char c : name) {
        if (c == '\'' || c == '\\') literal += '\\';
        literal += c;
    }
    std::string result;
    t.on();
    wmi::ServicePtr service;
    wmi::CollectionPtr adapters;
    t.step([&] { service = run.bind(wmi::kMonikerPlain); });
    t.step([&] {
        adapters =
            wmi::execQuery(service, "SELECT MACAddress FROM Win32_NetworkAdapter WHERE Name = " + literal + "' ");
    });
    wmi::walk(t, adapters, [&](const wmi::Object& adapter) {
        t.step([&] {
            if (adapter["MACAddress"].isNonEmptyText()) result = adapter["MACAddress"].rawText();
        });
        return trap::Walk::Stop;
    });
    t.clear();
    return result;
}

const Failure kRefused{fail::hresult(fail::kWbemAccessDenied), "Access denied "};
const Failure kBroken{70, "Permission denied"};

// How harsh the service is. A walk over the adapters fails only at its start
// here: the search of its own filters on the service's side, where a walk
// that breaks after k adapters cannot be told apart from fewer matches.
struct Harshness {
    const char* name;
    bool missing;
    std::vector<Harm> harms;
};
const Harshness kHarshness[] = {
    {"plain", false, {}},
    {"missing properties", true, {}},
    {"walks that break",
     true,
     {{"Win32_PnPSignedDriver", 300, kBroken}, {"Win32_NetworkAdapter", std::string::npos, kRefused}}},
    {"nothing to walk", false, {{"Win32_PnPSignedDriver", 0, kRefused}, {"Win32_NetworkAdapter", 0, kBroken}}},
};

// Every name the report looks up, and a few that no device has.
std::vector<std::string> lookedUp(wmi::Repository& repo) {
    std::vector<std::string> names{"nobody", "usb audio device 7", "", "INTEL(R) ETHERNET SERVER ADAPTER #3"};
    for (const char* cls : {"Win32_SoundDevice", "Win32_NetworkAdapter", "Win32_VideoController"})
        for (const wmi::Instance* o : repo.objectsOf(cls))
            for (const char* p : {"Description", "Name"})
                if (const Value* v = o->find(p); v && v->isText()) names.push_back(v->rawText());
    return names;
}

TEST(Budget, LookupsGiveWhatAWalkOfTheirOwnGives) {
    for (const Harshness& h : kHarshness) {
        SCOPED_TRACE(h.name);
        auto repo = manyDevices();
        ServiceDouble service(repo);
        service.absentIsMissing = h.missing;
        service.harms = h.harms;
        std::vector<std::string> names = lookedUp(*repo);

        struct Outcome {
            std::string result;
            Failure pending;
            bool operator==(const Outcome&) const = default;
        };
        std::vector<Outcome> versions, macs;
        trap::Trap t;
        for (const std::string& n : names) {
            versions.push_back({driverVersionAlone(service.binder(), t, n), t.pending()});
            macs.push_back({macAddressAlone(service.binder(), t, n), t.pending()});
        }
        if (h.harms.empty() || h.harms.front().after > 0) {
            EXPECT_NE(std::count_if(versions.begin(), versions.end(), [](auto& o) { return !o.result.empty(); }), 0);
        }

        service.queries.clear();
        service.connections = 0;
        {
            wmi::Run run(service.binder());
            // Backwards too: an index built far by one lookup still answers a near one.
            for (int pass = 0; pass < 2; ++pass)
                for (std::size_t k = 0; k < names.size(); ++k) {
                    const std::size_t i = pass == 0 ? k : names.size() - 1 - k;
                    SCOPED_TRACE(names[i]);
                    const Outcome v{probes::GetDriverVersion(run, names[i]), run.trap.pending()};
                    EXPECT_EQ(v, versions[i]);
                    const Outcome m{probes::GetMacAddress(run, names[i]), run.trap.pending()};
                    EXPECT_EQ(m, macs[i]);
                }
        }
        EXPECT_EQ(service.connections, 1);
        EXPECT_EQ(service.queries.size(), 2u);  // one walk over the drivers, one over the adapters
        // The next run walks afresh.
        wmi::Run next(service.binder());
        const Outcome alone{probes::GetDriverVersion(next, names[1]), next.trap.pending()};
        EXPECT_EQ(alone, versions[1]);
        EXPECT_EQ(service.connections, 2);
    }
}

struct Report {
    std::string bytes;
    std::vector<std::string> messages;
    int connections;
    std::vector<std::string> queries;
};

// A whole report of a machine: through RunReport, or its sections written
// one after another by hand.
Report report(bool asRun, std::shared_ptr<wmi::Repository> machine, const Harshness& h) {
    testing::PlatformScope scope;
    ServiceDouble service(std::move(machine));
    scope.platform.binder = service.binder();
    service.absentIsMissing = h.missing;
    service.harms = h.harms;
    scope.ui.vga = scope.ui.audio = scope.ui.lan = true;
    report::gStrFileName = "PC.htm";
    scope.files.add(report::reportPath(scope.files));
    if (asRun) {
        probes::RunReport(scope.platform);
    } else {
        wmi::Run run(scope.platform.binder);
        report::ReportStream stream(run, scope.platform, scope.files.openForWriting(report::reportPath(scope.files)));
        report::WriteHtmlHeader(report::gStrFileName, stream);
        for (const probes::Section& s : probes::reportSections()) s.write(stream);
        report::WriteHtmlFooter(stream);
        stream.close();
    }
    std::vector<std::string> messages = scope.ui.prompts();
    if (asRun && !messages.empty() && messages.back().rfind("The file is saved on ", 0) == 0) messages.pop_back();
    return {scope.files.content(report::reportPath(scope.files)), messages, service.connections, service.queries};
}

TEST(Budget, ReportRunConnectsOnceSendsEachQueryOnceAndWritesTheSameBytes) {
    std::set<std::string> plainQueries[2];
    int machine = 0;
    for (auto make : {realistic, manyDevices}) {
        for (const Harshness& h : kHarshness) {
            SCOPED_TRACE(std::string(machine ? "many devices, " : "realistic, ") + h.name);
            const Report alone = report(false, make(), h);
            const Report run = report(true, make(), h);

            EXPECT_EQ(std::tie(run.bytes, run.messages), std::tie(alone.bytes, alone.messages));
            EXPECT_EQ(run.connections, 1);
            const std::set<std::string> distinct(run.queries.begin(), run.queries.end());
            EXPECT_EQ(distinct.size(), run.queries.size());
            if (h.harms.empty() && !h.missing) plainQueries[machine] = distinct;
            // The harsh services leave failure rows in the report.
            if (!h.harms.empty()) {
                EXPECT_NE(run.bytes.find("class='td1'>Error</td>"), std::string::npos);
            }
        }
        ++machine;
    }
    // Many devices cost no query more than a few.
    EXPECT_EQ(plainQueries[1], plainQueries[0]);
}

}  // namespace
}  // namespace tq
