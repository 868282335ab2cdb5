// A run's budget of the service: binds share one connection, a query text is
// sent once and answered again with the same objects or the same failure at
// the same point, walks pull only as far as they go, kept objects outlive
// their walk, nothing outlives the run; a lookup's pending failure; and the
// trace of what was sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine.h"
#include "tests/support/service_double.h"
#include "wmi/run.h"
#include "wmi/search.h"
#include "wmi/service.h"
#include "wmi/trace.h"
#include "wmi/trap.h"

namespace tq::wmi {
namespace {

using testing::failureOf;
using tq::testing::ServiceDouble;

// The `property` of every object a query yields through the run's bind(),
// and the failure that ended the walk.
struct Walked {
    std::vector<std::string> values;
    Failure end;
};
Walked walkAll(wmi::Run& run, const std::string& query, const std::string& property = "Name",
               std::string_view moniker = kMoniker) {
    Walked w;
    w.end = failureOf([&] {
        ServicePtr s = run.bind(moniker);
        CollectionPtr c = s->execQuery(query, "WQL", kProbeFlags);
        while (const Object* o = c->next()) w.values.push_back(o->get(property).str());
    });
    return w;
}

TEST(Run, OneConnectionEachQueryOnceNothingKeptAfterwards) {
    ServiceDouble service(testing::sampleMachine());
    const std::string adapters = "SELECT * FROM Win32_NetworkAdapter";
    {
        wmi::Run run(service.binder());
        // A walk that stops early, then full walks under the program's three monikers.
        ASSERT_NE(run.bind(kMoniker)->execQuery(adapters, "WQL", kProbeFlags)->next(), nullptr);
        const Walked fresh = walkAll(run, adapters);
        ASSERT_EQ(fresh.values.size(), 5u);
        for (std::string_view m : {kMoniker, kMonikerUpper, kMonikerPlain})
            EXPECT_EQ(walkAll(run, adapters, "Name", m).values, fresh.values);
        // Two walks at once over one answer, each in the service's order.
        ServicePtr s = run.bind(kMoniker);
        CollectionPtr a = s->execQuery(adapters, "WQL", kProbeFlags), b = s->execQuery(adapters, "WQL", kProbeFlags);
        const Object* first = a->next();
        for (int i = 0; i < 3; ++i) b->next();
        EXPECT_EQ(first->get("Name").str(), fresh.values[0]);  // still valid, the walk has moved on
        EXPECT_EQ(a->next()->get("Name").str(), fresh.values[1]);
    }
    EXPECT_EQ(service.connections, 1);
    EXPECT_EQ(service.queries, std::vector<std::string>{adapters});
    {
        wmi::Run next(service.binder());  // asks afresh
        walkAll(next, adapters);
        // Another namespace is another connection; its failed bind is the run's answer.
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(failureOf([&] { next.bind("winmgmts:root\\wmi"); }).number, testing::kInvalidNamespace);
    }
    EXPECT_EQ(service.connections, 3);
    EXPECT_EQ(service.count(adapters), 2);
}

TEST(Run, FailuresComeBackWhereTheyCame) {
    ServiceDouble service(testing::sampleMachine());
    const Failure broken{70, "Permission denied"}, refused{fail::hresult(fail::kWbemAccessDenied), "Access denied "};
    service.harms = {{"Win32_NetworkAdapter", 2, broken}, {"Win32_Bios", std::string::npos, refused}};
    service.absentIsMissing = true;  // kept objects replay a property that cannot be read
    const std::string adapters = "SELECT * FROM Win32_NetworkAdapter", bios = "Select * from Win32_Bios";
    const std::string invalid = "SELECT * FROM Win32_Nothing";
    wmi::Run run(service.binder());
    for (int i = 0; i < 2; ++i) {
        const Walked w = walkAll(run, adapters);
        EXPECT_EQ(w.values.size(), 2u);
        EXPECT_EQ(w.end, broken);
        CollectionPtr c = run.bind(kMoniker)->execQuery(adapters, "WQL", kProbeFlags);
        const Object* first = c->next();
        const Object* second = c->next();
        EXPECT_EQ(first->get("MACAddress").str(), "00:11:22:33:44:55");
        EXPECT_EQ(failureOf([&] { second->get("MACAddress"); }).number, fail::kNotSupported);
        EXPECT_EQ(failureOf([&] { run.bind(kMoniker)->execQuery(bios, "WQL", kProbeFlags); }), refused);
        EXPECT_EQ(walkAll(run, invalid).end.number, testing::kInvalidClass);
        // Waiting for the query, the service answers at ExecQuery.
        EXPECT_EQ(failureOf([&] { run.bind(kMoniker)->execQuery(invalid, "WQL", 0); }).number, testing::kInvalidClass);
    }
    EXPECT_EQ(service.queries.size(), 4u);
    EXPECT_EQ(service.connections, 1);
}

// A query is known by what it asks: letter case of keywords and names,
// blanks and redundant parentheses do not make another query; a literal
// written differently does.
TEST(Run, TheSameQuestionSpelledAnotherWayIsSentOnce) {
    const std::string from = " FROM Win32_NetworkAdapter";
    // clang-format off
    const struct { std::string first, second; std::size_t sent; } cases[] = {
        {"SELECT *" + from, "select  *  from   WIN32_networkadapter", 1},
        {"SELECT * FROM Win32_NetworkAdapter WHERE Name = 'LAN' AND NetEnabled = TRUE",
         "select * from Win32_NetworkAdapter where ((name='LAN') and NETENABLED=true)", 1},
        {"SELECT *" + from + " WHERE Name <> 'LAN'", "SELECT *" + from + " WHERE 'LAN' != Name", 1},
        {"SELECT *" + from + " WHERE Name = 'LAN'", "SELECT *" + from + " WHERE Name = 'lan'", 2},
        {"SELECT *" + from + " WHERE Name = 'a b'", "SELECT *" + from + " WHERE Name = 'a  b'", 2},
        {"SELECT Name" + from, "SELECT MACAddress" + from, 2},
        {"SELECT *" + from, "SELECT * FROM Win32_NetworkAdapterConfiguration", 2},
        {"SELEC *" + from, "selec *" + from, 2},  // not understood: kept as written
    };
    // clang-format on
    for (const auto& c : cases) {
        ServiceDouble service(testing::sampleMachine());
        wmi::Run run(service.binder());
        const Walked a = walkAll(run, c.first), b = walkAll(run, c.second);
        EXPECT_EQ(service.queries.size(), c.sent) << c.first << " | " << c.second;
        if (c.sent == 1) {
            EXPECT_EQ(std::tie(a.values, a.end), std::tie(b.values, b.end)) << c.first;
        }
    }
}

// A lookup leaves pending what a walk of its own would have trapped before
// its answer: here reading the answer of an earlier object of that key.
TEST(Search, LeavesTheFailureOfAnEarlierAnswerPending) {
    auto repo = std::make_shared<Repository>();
    for (const auto& [name, answer] : {std::pair{"A", ""}, {"A", "second"}, {"B", ""}}) {
        Instance& o = repo->add("Custom");
        o.set("Name", Value::text(name));
        if (*answer) o.set("Answer", Value::text(answer));  // else reading it fails
    }
    const Search search(
        kMoniker, "SELECT * FROM Custom", Search::Match::IgnoringCase,
        [](const Object& o) { return ifText(o["Name"]); }, [](const Object& o) { return ifNonEmptyText(o["Answer"]); });
    wmi::Run run(makeBinder(repo));
    // clang-format off
    const struct { const char *key, *answer; std::int32_t pending; } cases[] = {
        {"a", "second", fail::kNotSupported}, {"b", "", fail::kNotSupported}, {"A", "second", fail::kNotSupported},
        {"nobody", "", 0},  // no answer of another key is read
    };
    // clang-format on
    for (const auto& c : cases) {
        run.trap.on();
        EXPECT_EQ(search.find(run, c.key).value_or(""), c.answer) << c.key;
        EXPECT_EQ(run.trap.pending().number, c.pending) << c.key;
    }
}

TEST(Trace, OneLinePerConnectionAndQuerySent) {
    ServiceDouble service(testing::sampleMachine());
    service.harms = {{"Win32_Bios", 0, Failure{70, "Permission denied"}}};
    std::vector<std::string> lines;
    {
        wmi::Run run(traced(service.binder(), [&](std::string_view l) { lines.emplace_back(l); }));
        for (int i = 0; i < 2; ++i) {
            walkAll(run, "SELECT * FROM Win32_NetworkAdapter");
            walkAll(run, "Select * from Win32_Bios");
            walkAll(run, "SELECT * FROM Win32_Nothing\n");
            ServicePtr s = run.bind(kMoniker);
            s->execQuery("SELECT * FROM Win32_SoundDevice", "WQL", kProbeFlags)->next();  // left early
        }
    }
    ASSERT_EQ(lines.size(), 5u);
    auto after = [](const std::string& l) { return l.substr(l.find('\t') + 1); };
    EXPECT_EQ(after(lines[0]), "connected\t" + std::string(kMoniker));
    EXPECT_EQ(after(lines[1]), "5 objects\tSELECT * FROM Win32_NetworkAdapter");
    EXPECT_EQ(after(lines[2]), "failure 70 after 0 objects\tSelect * from Win32_Bios");
    EXPECT_EQ(after(lines[3]), "failure -2147217392 after 0 objects\tSELECT * FROM Win32_Nothing ");
    EXPECT_EQ(after(lines[4]), "1 object\tSELECT * FROM Win32_SoundDevice");
    traceFault([&](std::string_view l) { lines.emplace_back(l); }, "Win32_Bios left empty", "bad table");
    EXPECT_EQ(lines.back(), "0.0 ms\tfault\tWin32_Bios left empty: bad table");
}

}  // namespace
}  // namespace tq::wmi
