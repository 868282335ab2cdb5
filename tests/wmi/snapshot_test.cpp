// Snapshot files: what JSON values become, refusals with file:line:col,
// and dumps that load back to the same objects.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "machine.h"
#include "tests/support/service_double.h"
#include "tests/support/tempdir.h"
#include "wmi/snapshot.h"

namespace tq::wmi {
namespace {

using V = std::vector<std::string>;

// The message a load is refused with; "(accepted)" when it loads.
template <class Load>
std::string refused(Load load) {
    try {
        load();
    } catch (const SnapshotError& e) {
        return e.what();
    }
    return "(accepted)";
}
std::string refusal(const std::string& text, const std::string& name = "snap.json") {
    return refused([&] { parseSnapshot(text, name); });
}
std::string refusedFile(const std::string& path) {
    return refused([&] { loadSnapshot(path); });
}

// Class names match without regard to case, a null is listed but absent, an
// object is kept as written, and a value outlives its snapshot. (The other
// kinds: the general parser's table and the dump's round trip.)
TEST(Snapshot, ValuesTakeTheirKindFromJson) {
    auto r = parseSnapshot(R"({"Win32_Bios": [{"Manufacturer": "American Megatrends", "SerialNumber": null,
                                               "Nested": {"a": [1, 2]}}],
                               "win32_bios": [{"Manufacturer": "second"}], "Win32_Keyboard": []})",
                           "t.json");
    ASSERT_EQ(testing::column(r, "SELECT * FROM Win32_Bios", "Manufacturer"), (V{"American Megatrends", "second"}));
    auto bios = r->objectsOf("Win32_Bios");
    ASSERT_NE(bios[0]->find("SerialNumber"), nullptr);
    EXPECT_EQ(bios[0]->get("SerialNumber"), Value());
    EXPECT_EQ(bios[0]->get("Nested"), Value::other(R"({"a": [1, 2]})"));
    const Value copy = bios[0]->get("Manufacturer");
    r.reset();
    EXPECT_EQ(copy.str(), "American Megatrends");
}

TEST(Snapshot, RefusalsNameFileLineAndColumn) {
    // Syntax errors, where the parser stopped.
    const std::pair<const char*, const char*> syntax[] = {
        {"{\n  \"Win32_Bios\": [\n    {\"a\": 1,}\n  ]\n}", "snap.json:3:13: "},
        {"", "snap.json:1:1: "},
        {"{\"Win32_Bios\": [", "snap.json:1:17: "},
        {"{} x", "snap.json:1:4: "},
        {"{\"a\": \"\xff\"}", "snap.json:1:"},  // not UTF-8
    };
    for (const auto& [text, prefix] : syntax) EXPECT_EQ(refusal(text).rfind(prefix, 0), 0u) << refusal(text);
    // Wrong shapes, at the value that does not fit; columns count characters, not bytes.
    const std::string top = "expected an object mapping class names to arrays of objects";
    const std::pair<const char*, std::string> shapes[] = {
        {"[1]", "snap.json:1:1: " + top},
        {"  \"text\"", "snap.json:1:3: " + top},
        {"{\"Win32_Bios\": {\"x\": 1}}", "snap.json:1:16: expected an array of objects for class \"Win32_Bios\""},
        {"{\"A\": \"t\\\"x\"}", "snap.json:1:7: expected an array of objects for class \"A\""},
        {"{\"A\":\n  12}", "snap.json:2:3: expected an array of objects for class \"A\""},
        {"{\"A\": null}", "snap.json:1:7: expected an array of objects for class \"A\""},
        {"{\"A\": [{}, [1]]}", "snap.json:1:12: expected an object in the array of class \"A\""},
        {"{\"A\": [{},\n   -3.5]}", "snap.json:2:4: expected an object in the array of class \"A\""},
        {"{\"\xC3\xA4\": 1}", "snap.json:1:7: expected an array of objects for class \"\xC3\xA4\""},
    };
    for (const auto& [text, message] : shapes) EXPECT_EQ(refusal(text), message);
    // Class arrays, objects and properties count against the bound, captured
    // values as one; reaching it is fine, going past it is refused there.
    const std::string seven = "{\"A\": [{}, {\"p\": [1, 2]}], \"A\": [{\"q\": 1}]}";
    EXPECT_EQ(refused([&] { parseSnapshot(seven, "snap.json", 7); }), "(accepted)");
    for (const auto& bound : {std::pair{6, "40"}, {3, "18"}, {4, "28"}})
        EXPECT_EQ(refused([&] { parseSnapshot(seven, "snap.json", bound.first); }),
                  "snap.json:1:" + std::string(bound.second) + ": the snapshot lists more than " +
                      std::to_string(bound.first) + " classes, objects and properties");
}

// The reader accepts exactly the JSON that a general parser accepts, and
// reads each value as it means.
// clang-format off
TEST(Snapshot, ReadsJsonAsAGeneralParserDoes) {
    const std::pair<const char*, const char*> values[] = {
        // a value as written, and what it reads as ("-": refused)
        {R"("a\"b\\c\/d\b\f\n\r\t")", "a\"b\\c/d\b\f\n\r\t"}, {R"("\u00e4\u20AC\ud83d\ude00")", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"\"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\x7F\"", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\x7F"}, {R"("\u0000")", nullptr},
        {R"("\ud83d")", "-"}, {R"("\ude00")", "-"}, {R"("\ud83d\u0041")", "-"}, {R"("\x")", "-"}, {R"("\u12G4")", "-"},
        {"\"\x01\"", "-"}, {"\"\xC0\x80\"", "-"}, {"\"\xE0\x80\x80\"", "-"}, {"\"\xED\xA0\x80\"", "-"},
        {"\"\xF4\x90\x80\x80\"", "-"}, {"\"\xC3\"", "-"}, {"\"\x80\"", "-"}, {"\"abc", "-"},
        {"0", "0"}, {"-0", "0"}, {"-2147483648", "-2147483648"}, {"2147483647", "2147483647"},
        {"2147483648", "(2147483648)"}, {"-9223372036854775808", "(-9223372036854775808)"},
        {"18446744073709551615", "(18446744073709551615)"}, {"1e400", "-"}, {"-1E+400", "-"},
        {"1.5e-400", "0"}, {"2.5", "2.5"}, {"1E2", "100"}, {"01", "-"}, {"-", "-"}, {"1.", "-"}, {".5", "-"},
        {"1e", "-"}, {"+1", "-"}, {"0x10", "-"}, {"true", "True"}, {"false", "False"}, {"null", ""},
        {"tru", "-"}, {"nul", "-"}, {"True", "-"}, {"[1, {\"a\" : [ ]}\n]", "([1, {\"a\" : [ ]}\n])"},
        {"[1,]", "-"}, {"[1e400]", "-"}, {"[2e-400]", "([2e-400])"}, {"{\"a\" 1}", "-"}, {"[1 2]", "-"}, {"[[[]]", "-"}, {"{\"a\":1}}", "-"}, {"[\"\xFF\"]", "-"},
    };
    // clang-format on
    for (const auto& [value, meaning] : values) {
        const std::string doc = std::string("{\"Win32_Bios\": [{\"P\": ") + value + "}]}";
        SCOPED_TRACE(doc);
        const std::string why = refusal(doc);
        EXPECT_EQ(why == "(accepted)", nlohmann::json::accept(doc)) << why;
        if (!meaning || why != "(accepted)") continue;
        const auto repo = parseSnapshot(doc, "v.json");
        const Value& v = repo->objectsOf("Win32_Bios")[0]->get("P");
        const std::string m = meaning;
        if (m.front() == '(') EXPECT_EQ(v, Value::other(m.substr(1, m.size() - 2)));
        else if (m == "-") ADD_FAILURE() << "accepted";
        else EXPECT_EQ(v.str(), m);
    }
    // Byte order mark, white space and what may follow the object.
    EXPECT_EQ(refusal("\xEF\xBB\xBF {\"A\": []}\r\n\t"), "(accepted)");
    EXPECT_EQ(refusal("\xEF\xBB{}").rfind("snap.json:1:", 0), 0u);
    EXPECT_EQ(refusal("{\"A\": []},").rfind("snap.json:1:10: ", 0), 0u);
}

#if !defined(_WIN32)
// Files that are no snapshot are refused at once by what they are: nothing
// blocks on a FIFO, nothing reads a device without end, nothing grows past
// the bound.
TEST(Snapshot, OnlyRegularFilesUpToTheBoundAreRead) {
    const tq::testing::TempDir tmp;
    const std::string& dir = tmp.path;
    const std::string fifo = dir + "/fifo.json", huge = dir + "/huge.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    {
        // Sparse: one byte past the bound costs no disk.
        std::ofstream(huge) << "{";
        ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kMaxSnapshotBytes) + 1), 0);
    }
    const std::pair<std::string, std::string> cases[] = {
        {dir, dir + ": is a folder"},
        {fifo, fifo + ": is not a regular file"},
        {"/dev/zero", "/dev/zero: is not a regular file"},
        {huge, huge + ": the snapshot is larger than 256 MB"},
    };
    for (const auto& [path, message] : cases) EXPECT_EQ(refusedFile(path), message);
}
#endif

// A file is read in chunks; values kept as written, strings and positions
// that straddle a chunk's end come out as from the whole text. Texts of
// every size are kept (70,000 bytes, 1,000 after a few short ones).
TEST(Snapshot, StreamedFileLoadsAsItsText) {
    std::string nested = "[";
    for (int i = 0; i < 30000; ++i) nested += (i ? ", " : "") + std::string("{\"k\": \"v") + std::to_string(i) + "\"}";
    nested += "]";
    const std::string text = "{\"Win32_Bios\": [{\"Name\": \"" + std::string(70000, 'x') + "\", \"List\": " + nested +
                             "},\n {\"Name\": \"" + std::string(1000, 'a') + "\"}], \"Win32_Keyboard\": 5}";
    const tq::testing::TempDir dir;
    const std::string path = dir.write("stream.json", text);
    const std::string fromText = refusal(text, path);
    EXPECT_EQ(refusedFile(path), fromText);
    EXPECT_EQ(fromText, path + ":2:1035: expected an array of objects for class \"Win32_Keyboard\"");

    std::ofstream(path, std::ios::binary) << text.substr(0, text.find(", \"Win32_Keyboard\"")) << "}";
    const auto repo = loadSnapshot(path);
    ASSERT_EQ(testing::column(repo, "SELECT * FROM Win32_Bios", "Name"),
              (V{std::string(70000, 'x'), std::string(1000, 'a')}));
    EXPECT_EQ(repo->objectsOf("Win32_Bios")[0]->get("List"), Value::other(nested));
    EXPECT_NE(refusedFile(dir.path + "/missing.json").find("missing.json"), std::string::npos);
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TQ_ASAN 1
#endif
#endif
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(TQ_ASAN)
// Loading more objects than memory holds is a refusal naming the file, not
// a bare allocation failure. Run in a child under an address-space limit.
TEST(Snapshot, RunningOutOfMemoryIsARefusal) {
    std::string text = "{\"Win32_Bios\": [";
    for (int i = 0; i < 400000; ++i) text += i ? ",{\"Name\":\"n\"}" : "{\"Name\":\"n\"}";
    text += "]}";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        long pages = 0;  // stays 0 when the size cannot be read
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (24u << 20);
        struct rlimit rl = {limit, limit};
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &rl) != 0) ::_exit(3);
        try {
            parseSnapshot(text, "big.json");
        } catch (const SnapshotError& e) {
            const std::string what = e.what();
            ::_exit(what.starts_with("big.json:1:") && what.find("not enough memory") != std::string::npos ? 0 : 1);
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(4);  // it fitted after all
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 4 || WEXITSTATUS(status) == 3) GTEST_SKIP() << "no memory limit took hold";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

// Compares every listed property of every object of the program's classes.
void expectSameObjects(const std::shared_ptr<Repository>& a, const std::shared_ptr<Repository>& b) {
    for (const std::string& cls : programClasses()) {
        auto x = a->objectsOf(cls), y = b->objectsOf(cls);
        ASSERT_EQ(x.size(), y.size()) << cls;
        for (std::size_t i = 0; i < x.size(); ++i) {
            EXPECT_EQ(x[i]->className(), y[i]->className());
            const auto p = x[i]->properties(), q = y[i]->properties();
            EXPECT_TRUE(std::equal(p.begin(), p.end(), q.begin(), q.end())) << cls << " #" << i;
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
    Instance& nic = repo->add("Win32_NetworkAdapterConfiguration");
    nic.set("IPAddress", Value::other("[\"192.168.1.5\",\"fe80::1\"]"));
    nic.set("IPSubnet", Value::other("[\"255.255.255.0\",\"64\"]"));
    nic.set("DefaultIPGateway", Value());
    repo->add("Win32_InstalledWin32Program").set("ProgramId", Value::text("amd64\\bash"));

    ServicePtr s = makeService(repo);
    const std::string dump = dumpSnapshot(*s);
    auto back = parseSnapshot(dump, "dump.json");
    expectSameObjects(repo, back);
    // Dumped again, the text is the same.
    EXPECT_EQ(dumpSnapshot(*makeService(back)), dump);
    // Every program class is listed, the memory under its concrete class.
    EXPECT_EQ(dump.find("CIM_PhysicalMemory"), std::string::npos);
    EXPECT_NE(dump.find("\"Win32_OnBoardDevice\": ["), std::string::npos);
}

// Classes the service rejects and properties it cannot read are left out.
TEST(Snapshot, DumpLeavesOutRejectedClassesAndUnreadableProperties) {
    auto repo = std::make_shared<Repository>();
    repo->add("Win32_Bios").set("Name", Value::text("x"));
    tq::testing::ServiceDouble service(repo);
    service.absentIsMissing = true;  // every other property of the class
    service.harms = {{"Win32_Keyboard", std::string::npos, Failure{70, "Permission denied"}}};
    const std::string dump = dumpSnapshot(*service.binder()(kMoniker));
    EXPECT_EQ(dump.find("Win32_Keyboard"), std::string::npos);
    EXPECT_NE(dump.find("\"Win32_Bios\": [\n    {\"Name\": \"x\"}\n  ],"), std::string::npos) << dump;
}

}  // namespace
}  // namespace tq::wmi
