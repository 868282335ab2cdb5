// Snapshot files: what JSON values become, refusals with file:line:col,
// and dumps that load back to the same objects.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "machine.h"
#include "wmi/snapshot.h"

namespace tq::wmi {
namespace {

using V = std::vector<std::string>;

std::string refusal(const std::string& text, const std::string& name = "snap.json") {
    try {
        parseSnapshot(text, name);
    } catch (const SnapshotError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(Snapshot, ValuesTakeTheirKindFromJson) {
    auto r = parseSnapshot(R"({
  "Win32_Bios": [{"Manufacturer": "AMI", "SMBIOSMajorVersion": 3, "PrimaryBIOS": true,
                  "SerialNumber": null, "BiosCharacteristics": [7, 11],
                  "Big": 4294967296, "Negative": -2147483648, "Frac": 95.367431640625,
                  "Nested": {"a": [1, 2]}}],
  "win32_bios": [{"Manufacturer": "second"}],
  "Win32_WinSAT": [{"CPUScore": 7.3, "WinSPRLevel": 5}],
  "Win32_Keyboard": []
})",
                           "t.json");
    auto bios = r->objectsOf("Win32_Bios");
    ASSERT_EQ(bios.size(), 2u);  // class names match without regard to case
    const Instance& b = *bios[0];
    EXPECT_EQ(b.get("manufacturer"), Value::text("AMI"));
    EXPECT_EQ(b.get("SMBIOSMajorVersion"), Value::integer(3));
    EXPECT_EQ(b.get("PrimaryBIOS"), Value::boolean(true));
    ASSERT_NE(b.find("SerialNumber"), nullptr);  // listed, absent
    EXPECT_TRUE(b.get("SerialNumber").isAbsent());
    EXPECT_EQ(b.get("BiosCharacteristics"), Value::other("[7, 11]"));
    EXPECT_EQ(b.get("Big"), Value::other("4294967296"));
    EXPECT_EQ(b.get("Negative"), Value::integer(-2147483648));
    EXPECT_EQ(b.get("Frac").str(), "95.367431640625");
    EXPECT_EQ(b.get("Nested"), Value::other(R"({"a": [1, 2]})"));
    EXPECT_EQ(bios[1]->get("Manufacturer").str(), "second");

    // Fractions of single-precision properties keep their short form.
    const Instance& sat = *r->objectsOf("Win32_WinSAT")[0];
    EXPECT_TRUE(sat.get("CPUScore").isSingle());
    EXPECT_EQ(sat.get("CPUScore").str(), "7.3");
    EXPECT_EQ(sat.get("WinSPRLevel"), Value::integer(5));
    EXPECT_TRUE(r->objectsOf("Win32_Keyboard").empty());
}

TEST(Snapshot, RefusalsNameFileLineAndColumn) {
    // Syntax errors, where the parser stopped.
    EXPECT_EQ(refusal("{\n  \"Win32_Bios\": [\n    {\"a\": 1,}\n  ]\n}").rfind("snap.json:3:13: ", 0), 0u)
        << refusal("{\n  \"Win32_Bios\": [\n    {\"a\": 1,}\n  ]\n}");
    EXPECT_EQ(refusal("").rfind("snap.json:1:1: ", 0), 0u);
    EXPECT_EQ(refusal("{\"Win32_Bios\": [").rfind("snap.json:1:17: ", 0), 0u) << refusal("{\"Win32_Bios\": [");
    EXPECT_NE(refusal("{} x").find("snap.json:1:4: "), std::string::npos);
    EXPECT_NE(refusal("{\"a\": \"\xff\"}").find("snap.json:1:"), std::string::npos);  // not UTF-8

    // Wrong shapes, at the value that does not fit.
    EXPECT_EQ(refusal("[1]"), "snap.json:1:1: expected an object mapping class names to arrays of objects");
    EXPECT_EQ(refusal("  \"text\""), "snap.json:1:3: expected an object mapping class names to arrays of objects");
    EXPECT_EQ(refusal("{\"Win32_Bios\": {\"x\": 1}}"),
              "snap.json:1:16: expected an array of objects for class \"Win32_Bios\"");
    EXPECT_EQ(refusal("{\"A\": \"t\\\"x\"}"), "snap.json:1:7: expected an array of objects for class \"A\"");
    EXPECT_EQ(refusal("{\"A\":\n  12}"), "snap.json:2:3: expected an array of objects for class \"A\"");
    EXPECT_EQ(refusal("{\"A\": null}"), "snap.json:1:7: expected an array of objects for class \"A\"");
    EXPECT_EQ(refusal("{\"A\": [{}, [1]]}"), "snap.json:1:12: expected an object in the array of class \"A\"");
    EXPECT_EQ(refusal("{\"A\": [{},\n   -3.5]}", "dir/x.json"),
              "dir/x.json:2:4: expected an object in the array of class \"A\"");
    // Columns count characters, not bytes.
    EXPECT_EQ(refusal("{\"\xC3\xA4\": 1}"), "snap.json:1:7: expected an array of objects for class \"\xC3\xA4\"");
}

TEST(Snapshot, FilesAreReadWholeOrRefused) {
    const std::string dir = ::testing::TempDir();
    const std::string good = dir + "/tq_snapshot_good.json", bad = dir + "/tq_snapshot_bad.json";
    std::ofstream(good) << R"({"Win32_Bios": [{"Manufacturer": "AMI"}]})";
    std::ofstream(bad) << "{\"Win32_Bios\": [{\"Manufacturer\": \"AMI\"}], \"Win32_Keyboard\": 5}";
    auto r = loadSnapshot(good);
    EXPECT_EQ(testing::column(r, "SELECT * FROM Win32_Bios", "Manufacturer"), (V{"AMI"}));
    try {
        loadSnapshot(bad);
        ADD_FAILURE() << "accepted";
    } catch (const SnapshotError& e) {
        EXPECT_EQ(std::string(e.what()), bad + ":1:61: expected an array of objects for class \"Win32_Keyboard\"");
    }
    try {
        loadSnapshot(dir + "/tq_snapshot_missing.json");
        ADD_FAILURE() << "accepted";
    } catch (const SnapshotError& e) {
        EXPECT_NE(std::string(e.what()).find("tq_snapshot_missing.json"), std::string::npos);
    }
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

// Compares every listed property of every object of the program's classes.
void expectSameObjects(const std::shared_ptr<Repository>& a, const std::shared_ptr<Repository>& b) {
    for (const std::string& cls : programClasses()) {
        auto x = a->objectsOf(cls), y = b->objectsOf(cls);
        ASSERT_EQ(x.size(), y.size()) << cls;
        for (std::size_t i = 0; i < x.size(); ++i) {
            EXPECT_EQ(x[i]->className(), y[i]->className());
            ASSERT_EQ(x[i]->properties().size(), y[i]->properties().size()) << cls;
            for (std::size_t k = 0; k < x[i]->properties().size(); ++k) {
                EXPECT_EQ(x[i]->properties()[k].first, y[i]->properties()[k].first) << cls;
                EXPECT_EQ(x[i]->properties()[k].second, y[i]->properties()[k].second)
                    << cls << "." << x[i]->properties()[k].first;
            }
        }
    }
}

TEST(Snapshot, DumpsLoadBackToTheSameObjects) {
    auto repo = testing::sampleMachine();
    Instance& odd = repo->add("Win32_Bios");
    odd.set("Manufacturer", Value::text("Quote \" backslash \\ tab \t \xC3\xA4"));
    odd.set("SerialNumber", Value());
    odd.set("PrimaryBIOS", Value::boolean(false));
    odd.set("BiosCharacteristics", Value::other("[7, 11, {\"x\": \"a b\"}]"));
    odd.set("Real", Value::real(1.0));
    odd.set("Tiny", Value::real(1e-300));
    odd.set("Min", Value::integer(-2147483647 - 1));
    repo->add("Win32_WinSAT").set("DiskScore", Value::real(8.1f, true));

    ServicePtr s = makeService(repo);
    const std::string dump = dumpSnapshot(*s);
    auto back = parseSnapshot(dump, "dump.json");
    expectSameObjects(repo, back);
    // Dumped again, the text is the same.
    EXPECT_EQ(dumpSnapshot(*makeService(back)), dump);
    // Every program class is listed, the memory under its concrete class.
    EXPECT_NE(dump.find("\"Win32_PhysicalMemory\": ["), std::string::npos);
    EXPECT_EQ(dump.find("CIM_PhysicalMemory"), std::string::npos);
    EXPECT_NE(dump.find("\"Win32_OnBoardDevice\": ["), std::string::npos);
}

// A service that rejects one class and yields objects of its own kind.
class PickyService final : public Service {
public:
    class One final : public Object {
    public:
        const Value& get(std::string_view n) const override {
            if (n == "Broken") fail::raise(fail::kNotSupported);
            return v_;
        }
        std::vector<std::string> names() const override { return {"Name", "Broken"}; }
        std::string className() const override { return "Win32_Bios"; }

    private:
        Value v_ = Value::text("from elsewhere");
    };
    class Result final : public Collection {
    public:
        const Object* next() override { return done_++ ? nullptr : &one_; }

    private:
        int done_ = 0;
        One one_;
    };
    std::unique_ptr<Collection> execQuery(std::string_view q, std::string_view, int) override {
        if (q != "SELECT * FROM Win32_Bios") fail::raiseService(fail::kWbemInvalidClass);
        return std::make_unique<Result>();
    }
};

TEST(Snapshot, DumpLeavesOutRejectedClassesAndUnreadableProperties) {
    PickyService s;
    EXPECT_EQ(dumpSnapshot(s), "{\n  \"Win32_Bios\": [\n    {\"Name\": \"from elsewhere\"}\n  ]\n}\n");
}

}  // namespace
}  // namespace tq::wmi
