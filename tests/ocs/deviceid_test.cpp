// The device id and its state file: made once, read back on later runs,
// never written through a link and never half-written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <functional>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "ocs/deviceid.h"
#include "platform/statefile.h"
#include "tests/support/tempdir.h"

namespace {

namespace fs = std::filesystem;
using namespace tq::ocs;

std::tm at(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
    return t;
}

class StateFolder : public ::testing::Test {
protected:
    static std::string read(const std::string& p) { return tq::testing::readFile(p); }
    std::string statePath(std::string_view key) { return (fs::path(dir) / stateFileName(key)).string(); }
    // One run: the id for `m`, kept when `keep`.
    std::string obtain(const Machine& m, const std::tm& now, bool keep = true, const std::string& key = kServer) {
        return obtainIn({{dir, true}}, m, now, keep, key);
    }
    static std::string obtainIn(std::vector<tq::platform::StateFolder> folders, const Machine& m, const std::tm& now,
                                bool keep = true, const std::string& key = kServer) {
        DeviceIdState state(std::move(folders), key, key, m);
        const std::string id = state.reserve(now);
        if (keep) state.commit();
        return id;
    }
    static std::vector<std::string> names(const std::string& folder) {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    static inline const std::string kServer = "http://s/ocsinventory";
    tq::testing::TempDir tmp;
    const std::string dir = tmp.path;
};

TEST(OcsDeviceId, MadeFromNameAndTime) {
    const std::tm t = at(2026, 12, 7, 1, 2, 3);
    const std::pair<std::string, std::string> cases[] = {
        {"WS-0815", "WS-0815-2026-12-07-01-02-03"},
        {"Prüf platz", "Pr_f_platz-2026-12-07-01-02-03"},  // one '_' per character, not per byte
        {"a/b\\c<d>", "a_b_c_d_-2026-12-07-01-02-03"},
        {"", "unnamed-2026-12-07-01-02-03"},
        {std::string(300, 'x'), std::string(200, 'x') + "-2026-12-07-01-02-03"},
    };
    for (const auto& [name, id] : cases) {
        EXPECT_EQ(makeDeviceId(name, t), id) << name;
        EXPECT_TRUE(isDeviceId(id)) << id;
    }
    for (const char* bad : {"", "-2026-12-07-01-02-03", "WS-0815", "WS 0815-2026-12-07-01-02-03",
                            "WS-0815-2026-12-07-01-02-3x", "WS-0815-2026-12-07-01-02-03\n"})
        EXPECT_FALSE(isDeviceId(bad)) << bad;
}

TEST(OcsDeviceId, StateFileNamesDifferPerServer) {
    const std::string a = stateFileName("http://inventory.example/ocsinventory");
    EXPECT_EQ(a, stateFileName("http://inventory.example/ocsinventory"));
    EXPECT_NE(a, stateFileName("https://inventory.example/ocsinventory"));
    EXPECT_NE(a, stateFileName("http://inventory.example/ocsinventory2"));
    EXPECT_EQ(a.rfind("ocs-inventory_example_ocsinventory-", 0), 0u) << a;
    for (const char* key : {"http://../../etc/passwd", "file", "http://a:b@host:8080/x?y=1#z"})
        EXPECT_EQ(stateFileName(key).find_first_of("/\\:"), std::string::npos) << key;
}

// Machines sharing one folder: each its own id, found again on its next run.
TEST_F(StateFolder, EachMachineKeepsItsOwnId) {
    const Machine a{"WS-1", "4C4C4544-0001", "SN-A"}, b{"WS-2", "4C4C4544-0002", "SN-B"};
    const std::tm t1 = at(2026, 1, 2, 3, 4, 5), later = at(2027, 1, 1, 0, 0, 0);
    EXPECT_EQ(obtain(a, t1), "WS-1-2026-01-02-03-04-05");
    EXPECT_EQ(obtain(b, t1), "WS-2-2026-01-02-03-04-05");
    EXPECT_EQ(obtain(a, later), "WS-1-2026-01-02-03-04-05");
    EXPECT_EQ(obtain({"ws-1 ", "4c4c4544-0001", "SN-A"}, later), "WS-1-2026-01-02-03-04-05");  // spelt otherwise
    EXPECT_EQ(obtain(b, later), "WS-2-2026-01-02-03-04-05");
    // Every server and inventory file knows the machine by the same id.
    EXPECT_EQ(obtain(a, later, true, "http://t/ocsinventory"), "WS-1-2026-01-02-03-04-05");
    EXPECT_EQ(obtain(a, later, true, "file"), "WS-1-2026-01-02-03-04-05");

    // Machines of one name, first sent in the same second: the later one
    // takes the next free second, and 23:59:59 carries into the next day.
    const std::tm last = at(2026, 12, 31, 23, 59, 59);
    EXPECT_EQ(obtain({"PC", "U1", ""}, last), "PC-2026-12-31-23-59-59");
    EXPECT_EQ(obtain({"PC", "U2", ""}, last), "PC-2027-01-01-00-00-00");
    EXPECT_EQ(obtain({"PC", "", "S3"}, last), "PC-2027-01-01-00-00-01");
    EXPECT_EQ(obtain({"pc", "U4", ""}, last), "pc-2027-01-01-00-00-02");  // the server ignores letter case
    EXPECT_EQ(obtain({"PC", "U2", ""}, later), "PC-2027-01-01-00-00-00");
    // A machine file and a claim per id, and the lock; no temporary files.
    EXPECT_EQ(names(dir).size(), 2u * 6 + 1);
}

TEST_F(StateFolder, NothingIsKeptWithoutCommit) {
    const std::string folder = dir + "/a/b";
    {
        DeviceIdState state({{folder, true}}, kServer, kServer, {"WS", "U", "S"});
        EXPECT_EQ(state.reserve(at(2026, 1, 1, 0, 0, 0)), "WS-2026-01-01-00-00-00");
        EXPECT_TRUE(fs::exists(folder));
    }
    EXPECT_FALSE(fs::exists(dir + "/a"));  // the folders made for it go as well
    std::ofstream(dir + "/file") << "x";
    EXPECT_THROW(obtainIn({{dir + "/file/x", true}}, {"WS", "U", "S"}, at(2026, 1, 1, 0, 0, 0)), std::runtime_error);
    EXPECT_EQ(obtain({"WS", "U", "S"}, at(2026, 2, 2, 0, 0, 0)), "WS-2026-02-02-00-00-00");
}

// The one file per server of earlier versions: taken over by the first
// machine of the name its id holds, then removed.
TEST_F(StateFolder, AnEarlierFileIsTakenOverOnce) {
    const std::string legacy = statePath(kServer);
    std::ofstream(legacy) << "WS-1-2020-05-05-05-05-05\n";
    const std::tm now = at(2026, 1, 1, 0, 0, 0);
    EXPECT_EQ(obtain({"OTHER", "U0", ""}, now), "OTHER-2026-01-01-00-00-00");
    EXPECT_TRUE(fs::exists(legacy));
    EXPECT_EQ(obtain({"ws-1", "U1", ""}, now, false), "WS-1-2020-05-05-05-05-05");  // not kept: stays
    EXPECT_TRUE(fs::exists(legacy));
    EXPECT_EQ(obtain({"ws-1", "U1", ""}, now), "WS-1-2020-05-05-05-05-05");
    EXPECT_FALSE(fs::exists(legacy));
    EXPECT_EQ(obtain({"WS-1", "U2", ""}, now), "WS-1-2026-01-01-00-00-00");  // a second machine of that name
    EXPECT_EQ(obtain({"ws-1", "U1", ""}, now), "WS-1-2020-05-05-05-05-05");
}

TEST_F(StateFolder, HostileStateFilesAreRefusedAndLeftAlone) {
    const Machine m{"WS", "U", "S"};
    const std::tm now = at(2026, 1, 1, 0, 0, 0);
    EXPECT_EQ(obtain(m, now), "WS-2026-01-01-00-00-00");
    std::string path;
    for (const std::string& n : names(dir))
        if (n.ends_with(".deviceid")) path = dir + "/" + n;
    ASSERT_FALSE(path.empty());
    const std::string target = tmp.write("precious.txt", "keep me");

    const std::pair<const char*, std::function<void()>> cases[] = {
        {"huge", [&] { std::ofstream(path) << std::string(100000, 'A'); }},
        {"folder", [&] { fs::create_directory(path); }},
#if !defined(_WIN32)
        {"symlink", [&] { fs::create_symlink(target, path); }},
        {"fifo", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
#endif
        {"garbage", [&] { std::ofstream(path) << "<html>not an id</html>"; }},  // the last: checked below
    };
    for (const auto& [what, make] : cases) {
        fs::remove_all(path);
        make();
        EXPECT_THROW(obtain(m, now), std::runtime_error) << what;
        EXPECT_EQ(read(target), "keep me") << what;
    }
    EXPECT_EQ(read(path), "<html>not an id</html>");  // not replaced behind the user's back
}

TEST_F(StateFolder, ReplaceFileSwapsWholeFilesOnly) {
    const std::string path = (fs::path(dir) / "inventory.xml").string();
    tq::platform::replaceFile(path, "first");
    tq::platform::replaceFile(path, "second, longer");
    EXPECT_EQ(read(path), "second, longer");
    EXPECT_THROW(tq::platform::replaceFile(dir, "x"), std::runtime_error);  // a folder in the file's place
    EXPECT_THROW(tq::platform::replaceFile((fs::path(dir) / "missing" / "x.xml").string(), "x"), std::runtime_error);
    // A link in the file's place: the program's test of inventory files.
}

// Ids kept elsewhere are adopted, never replaced by a new one: the user's
// state (by the machine's folder), the per-server files of earlier versions
// (this server's first, then the oldest). A machine folder that this user
// cannot write is still read first.
TEST_F(StateFolder, IdsKeptElsewhereAreAdopted) {
    const std::string system = dir + "/system", alice = dir + "/alice", bob = dir + "/bob";
    fs::create_directories(system);
    const Machine m{"WS", "U", "S"};
    const std::tm now = at(2026, 6, 1, 0, 0, 0);
    const std::string mine = obtainIn({{alice, true}}, m, at(2020, 1, 1, 0, 0, 0));
    EXPECT_EQ(obtainIn({{system, true}, {alice, true}}, m, now), mine);
    EXPECT_EQ(obtainIn({{system, true}, {bob, true}}, m, now), mine);
    EXPECT_EQ(obtainIn({{system, false}, {dir + "/carol", true}}, m, now), mine);
    EXPECT_FALSE(fs::exists(dir + "/bob")) << "nothing written where the machine's own folder holds the id";
    EXPECT_FALSE(fs::exists(dir + "/carol"));
    EXPECT_EQ(obtainIn({{alice, true}}, m, now), mine);  // still in the user's own state

    // Per-server files of an earlier version, named after the server and
    // the machine's hash (the part after "machine-").
    std::string hash;
    for (const std::string& n : names(alice))
        if (n.starts_with("machine-")) hash = n.substr(8, 16);
    ASSERT_EQ(hash.size(), 16u);
    const std::string old = dir + "/old";
    fs::create_directories(old);
    const auto plant = [&](const std::string& key, const std::string& id) {
        const std::string legacy = stateFileName(key);
        std::ofstream(old + "/" + legacy.substr(0, legacy.size() - 9) + "-" + hash + ".deviceid") << id << "\n";
    };
    plant("file", "WS-2019-01-01-00-00-00");
    plant("http://other/ocsinventory", "WS-2021-01-01-00-00-00");
    plant("http://first/ocsinventory", "WS-2020-01-01-00-00-00");
    EXPECT_EQ(obtainIn({{old, true}}, m, now, false, "file"), "WS-2020-01-01-00-00-00");
    plant(kServer, "WS-2022-01-01-00-00-00");
    EXPECT_EQ(obtainIn({{old, true}}, m, now), "WS-2022-01-01-00-00-00");
    EXPECT_EQ(obtainIn({{old, true}}, m, now, true, "file"), "WS-2022-01-01-00-00-00");
}

// What a killed run left goes; what a run still holds, what a machine's file
// keeps, links, folders and other names stay.
TEST_F(StateFolder, LeftoversOfKilledRunsGoAndNothingElse) {
    const Machine m{"WS", "U", "S"};
    const std::string kept = obtain(m, at(2026, 1, 1, 0, 0, 0));
    // A claim's name: the id's FNV-1a hash, folded to upper case.
    const auto claimName = [](std::string id) {
        std::uint64_t h = 0xcbf29ce484222325ull;
        for (char c : id) h = (h ^ static_cast<unsigned char>(std::toupper(c))) * 0x100000001b3ull;
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
        return "id-" + std::string(hex) + ".taken";
    };
    tq::testing::TempDir elsewhere;
    std::ofstream(elsewhere.path + "/precious") << "keep me";
    const std::string gone[] = {"machine-0123456789abcdef.deviceid.Ab12Cd", claimName("PC-2026-01-01-00-00-00")};
    tmp.write(gone[0], "WS-2026-01-01-00-00-09\n");                    // killed while keeping an id
    tmp.write(gone[1], "PC-2026-01-01-00-00-00\n0123456789abcdef\n");  // killed while sending
    const std::string held = claimName("PC-2026-01-01-00-00-01");
    tmp.write(held, "PC-2026-01-01-00-00-01\nfedcba9876543210\n");  // a run still sending
    const tq::platform::HeldFile running = tq::platform::HeldFile::joinShared(dir + "/" + held);
    ASSERT_TRUE(running);
    tmp.write("notes.deviceid", "mine");
    fs::create_directory(dir + "/x.deviceid.Ab12Cd");
    const std::string folder = claimName("PC-2026-01-01-00-00-02");
    fs::create_directory(dir + "/" + folder);
    std::vector<std::string> stay = {held, folder, "notes.deviceid", "x.deviceid.Ab12Cd"};
#if !defined(_WIN32)
    fs::create_symlink(elsewhere.path + "/precious", dir + "/" + stay.emplace_back("machine-1.deviceid.Zz99zz"));
#endif
    EXPECT_EQ(obtain({"PC", "U2", ""}, at(2026, 1, 1, 0, 0, 0)), "PC-2026-01-01-00-00-00");  // the freed id
    EXPECT_EQ(obtain({"PC", "U3", ""}, at(2026, 1, 1, 0, 0, 0)), "PC-2026-01-01-00-00-03");
    EXPECT_EQ(obtain(m, at(2027, 1, 1, 0, 0, 0)), kept);
    EXPECT_FALSE(fs::exists(dir + "/" + gone[0]));
    EXPECT_EQ(read(dir + "/" + gone[1]).substr(0, 23), "PC-2026-01-01-00-00-00\n");  // claimed anew
    for (const std::string& n : stay) EXPECT_TRUE(fs::exists(fs::symlink_status(dir + "/" + n))) << n;
    EXPECT_EQ(read(elsewhere.path + "/precious"), "keep me");

    // Beside an inventory file: its own abandoned temporaries only.
    const std::string out = elsewhere.path + "/inv.xml";
    for (const char* n : {"inv.xml.Qw12Er", "inv.xml.bak", "inv.xml.Qw12E", "inv.json.Qw12Er", "xinv.xml.Qw12Er"})
        std::ofstream(elsewhere.path + "/" + n) << "x";
    tq::platform::removeAbandonedTemporaries(out);
    EXPECT_EQ(names(elsewhere.path), (std::vector<std::string>{"inv.json.Qw12Er", "inv.xml.Qw12E", "inv.xml.bak",
                                                               "precious", "xinv.xml.Qw12Er"}));
}

}  // namespace
