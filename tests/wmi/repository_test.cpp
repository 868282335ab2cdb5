// Stored objects, the repository's classes and loader, the schema, and
// binding monikers to fresh services.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "machine.h"
#include "wmi/repository.h"
#include "wmi/service.h"
#include "wmi/wql.h"

namespace tq::wmi {
namespace {

using testing::failureOf;
using testing::kInvalidNamespace;
using V = std::vector<std::string>;

TEST(Instance, PropertiesOfKnownAndUnknownClasses) {
    Instance o("Win32_Keyboard", knownClass("Win32_Keyboard"));
    o.set("description", Value::text("PS/2"));
    o.set("Extra", Value::integer(1));
    o.set("DESCRIPTION", Value::text("USB"));  // replaces, whatever the case
    EXPECT_EQ(o.get("Description").str(), "USB");
    EXPECT_TRUE(o.get("Layout").isAbsent());  // the class has it, the object does not list it
    EXPECT_EQ(o.find("Layout"), nullptr);
    EXPECT_EQ(o.get("extra").rawInteger(), 1);
    EXPECT_EQ(failureOf([&] { o.get("Nonsense"); }).number, fail::kNotSupported);
    // Listed under the schema's spelling, in the order they were set.
    V listed, names;
    for (const auto& p : o.properties()) listed.emplace_back(p.name());
    EXPECT_EQ(listed, (V{"Description", "Extra"}));
    // The class's properties in schema order, then what else the object lists.
    for (const PropertyDef& p : knownClass("Win32_Keyboard")->properties) names.push_back(p.name);
    names.push_back("Extra");
    EXPECT_EQ(o.names(), names);

    Instance u("Custom", nullptr);
    u.set("B", Value::text("b"));
    u.set("A", Value());
    EXPECT_EQ(u.names(), (V{"B", "A"}));
    EXPECT_TRUE(u.get("a").isAbsent());  // listed, without a value
    EXPECT_EQ(failureOf([&] { u.get("C"); }).number, fail::kNotSupported);
}

// find() answers nothing, never a failure, whatever the object: a stored
// one, a select list's view of it, a kept copy of one whose reads fail.
TEST(Object, FindAnswersNothingForWhatCannotBeRead) {
    auto r = std::make_shared<Repository>();
    r->add("Win32_Keyboard").set("Description", Value::text("USB"));
    const auto result = makeService(r)->execQuery("SELECT Description FROM Win32_Keyboard", "WQL", kProbeFlags);
    const Object* view = result->next();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->find("description")->str(), "USB");
    EXPECT_EQ(view->find("Layout"), nullptr);  // a class property outside the select list
    EXPECT_EQ(view->find("Nonsense"), nullptr);

    struct Failing final : Object {
        const Value& get(std::string_view name) const override {
            if (name == "Bad") fail::raise(fail::kNotSupported);
            static const Value good = Value::text("ok");
            return good;
        }
        std::vector<std::string> names() const override { return {"Bad", "Good"}; }
        std::string className() const override { return "Custom"; }
    } failing;
    EXPECT_EQ(failing.find("Bad"), nullptr);  // the default, over get()
    const auto kept = failing.keep();
    EXPECT_EQ(kept->find("bad"), nullptr);
    EXPECT_EQ(kept->find("Good")->str(), "ok");
    EXPECT_EQ(kept->find("Other"), nullptr);
}

TEST(Instance, ManyPropertiesStillResolve) {
    // Class properties set after hundreds of others, and a class with more
    // properties than are kept inline.
    Instance o("Win32_Keyboard", knownClass("Win32_Keyboard"));
    for (int i = 0; i < 300; ++i) o.set("X" + std::to_string(i), Value::integer(i));
    o.set("Description", Value::text("late"));
    o.set("description", Value::text("replaced"));
    EXPECT_EQ(o.get("DESCRIPTION").str(), "replaced");
    EXPECT_EQ(o.get("x299").rawInteger(), 299);
    EXPECT_EQ(o.properties().size(), 301u);
    o.set("\xC3\x84rger", Value::integer(1));  // found whatever the case, past the first letters too
    o.set("\xC3\xA4RGER", Value::integer(2));
    EXPECT_EQ(o.get("\xC3\xA4rger").rawInteger(), 2);
    EXPECT_EQ(o.properties().size(), 302u);

    ClassDef wide{"Wide", "", {}};
    for (int i = 0; i < 150; ++i) wide.properties.push_back({"P" + std::to_string(i), CimType::UInt32, false});
    Instance w("Wide", &wide);
    w.set("p149", Value::integer(149));
    w.set("P3", Value::integer(3));
    EXPECT_EQ(w.get("P149").rawInteger(), 149);
    EXPECT_EQ(w.get("p3").rawInteger(), 3);
    EXPECT_TRUE(w.get("P148").isAbsent());
    EXPECT_EQ(failureOf([&] { w.get("P150"); }).number, fail::kNotSupported);
}

TEST(Schema, KnowsTheProgramsClasses) {
    const V& classes = programClasses();
    EXPECT_EQ(classes.size(), 31u);
    for (const std::string& c : classes) {
        const ClassDef* d = knownClass(c);
        ASSERT_NE(d, nullptr) << c;
        EXPECT_FALSE(d->properties.empty()) << c;
        std::set<std::string> seen;
        for (const PropertyDef& p : d->properties) {
            EXPECT_NE(p.type, CimType::Unknown) << c << "." << p.name;
            EXPECT_TRUE(seen.insert(text::lower(p.name)).second) << c << "." << p.name;
            EXPECT_EQ(d->property(p.name), &p);  // the index finds every property
        }
    }
    EXPECT_EQ(knownClass("cim_physicalmemory")->name, "CIM_PhysicalMemory");
    EXPECT_EQ(subclassesOf("CIM_PhysicalMemory"), (V{"Win32_PhysicalMemory"}));
    EXPECT_EQ(subclassesOf("Win32_Bios"), (V{}));
    EXPECT_EQ(knownClass("Win32_Nothing"), nullptr);
}

TEST(Repository, ClassesObjectsAndLoader) {
    auto r = std::make_shared<Repository>();
    Instance& first = r->add("win32_bios");
    EXPECT_EQ(first.className(), "Win32_Bios");  // the schema's spelling
    Instance* mid = nullptr;
    for (int i = 0; i < 1000; ++i) {
        Instance& o = r->add("Custom");
        o.set("N", Value::integer(i));
        if (i == 500) mid = &o;
    }
    r->add("WIN32_BIOS");
    EXPECT_EQ(r->classNames(), (V{"Win32_Bios", "Custom"}));
    auto bios = r->objectsOf("Win32_BIOS");
    ASSERT_EQ(bios.size(), 2u);
    EXPECT_EQ(bios[0], &first);  // references stay valid as objects are added
    EXPECT_EQ(r->objectsOf("custom").back()->get("N").rawInteger(), 999);
    // Objects changed or added after a walk keep what they listed.
    r->add("Custom").set("N", Value::integer(1000));
    mid->set("M", Value::integer(-1));
    auto custom = r->objectsOf("Custom");
    ASSERT_EQ(custom.size(), 1001u);
    EXPECT_EQ(custom[500]->get("N").rawInteger(), 500);
    EXPECT_EQ(custom[500]->get("m").rawInteger(), -1);
    EXPECT_EQ(custom[999]->properties().size(), 1u);
    EXPECT_EQ(custom[1000]->get("N").rawInteger(), 1000);

    // The loader runs once per class, before a query judges the class.
    V calls;
    r->setLoader([&](Repository& repo, std::string_view cls) {
        calls.emplace_back(cls);
        if (cls == "Win32_PhysicalMemory") repo.add(cls).set("Tag", Value::text("loaded"));
        if (cls == "Vendor_Sensor") repo.add(cls).set("Reading", Value::integer(5));
    });
    for (const char* cls : {"CIM_PhysicalMemory", "cim_physicalmemory", "Win32_PhysicalMemory"})
        EXPECT_EQ(r->objectsOf(cls).size(), 1u) << cls;
    EXPECT_EQ(calls, (V{"CIM_PhysicalMemory", "Win32_PhysicalMemory"}));
    EXPECT_EQ(testing::column(r, "SELECT * FROM Vendor_Sensor WHERE Reading > 4", "Reading"), (V{"5"}));
    EXPECT_EQ(failureOf([&] { testing::column(r, "SELECT * FROM Vendor_Other", "X"); }).number, testing::kInvalidClass);
}

TEST(Binder, AcceptsTheLocalCimv2Namespace) {
    // A moniker and the failure binding it gives (0: it binds).
    // clang-format off
    const std::pair<std::string_view, std::int32_t> monikers[] = {
        {kMoniker, 0}, {kMonikerUpper, 0}, {kMonikerPlain, 0}, {"WINMGMTS:\\\\LOCALHOST\\ROOT\\CIMV2", 0},
        {"winmgmts:", 0}, {"winmgmts:{impersonationLevel=impersonate}", 0}, {"winmgmts://./root/cimv2", 0},
        {"winmgmts:{impersonationLevel=impersonate}!root/cimv2", 0}, {"winmgmts:root\\cimv2", 0},
        {"winmgmts:\\\\.\\root\\default", kInvalidNamespace}, {"winmgmts:{x}!\\\\.\\root\\wmi", kInvalidNamespace},
        {"winmgmts:\\\\server\\root\\cimv2", fail::hresult(0x800706BAu)}, {"garbage", fail::kInvalidArgument},
        {"", fail::kInvalidArgument}, {"winmgmts:{x", fail::kInvalidArgument},
        {"winmgmts:\\\\.\\root\\cimv2:Win32_Bios", fail::kInvalidArgument},
        {"winmgmts:\\\\\\root\\cimv2", fail::kInvalidArgument},
    };
    // clang-format on
    for (const auto& m : monikers) EXPECT_EQ(failureOf([&] { checkMoniker(m.first); }).number, m.second) << m.first;
}

// A binder asks its source afresh for every bind: a source that has nothing is a failed bind.
TEST(Binder, EveryBindAsksItsSource) {
    int sources = 0;
    const Binder bind = makeBinder([&] { return ++sources == 1 ? std::make_shared<Repository>() : nullptr; });
    EXPECT_EQ(failureOf([&] { bind(kMoniker); }).number, 0);
    EXPECT_EQ(failureOf([&] { bind(kMoniker); }).number, fail::hresult(fail::kWbemFailed));
}

}  // namespace
}  // namespace tq::wmi
