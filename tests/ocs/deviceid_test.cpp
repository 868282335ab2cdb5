// The device id and its state file: made once, read back on later runs,
// never written through a link and never half-written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return t;
}

class StateFolder : public ::testing::Test {
protected:
    static std::string read(const std::string& p) { return tq::testing::readFile(p); }
    std::string statePath(std::string_view key) { return (fs::path(dir) / stateFileName(key)).string(); }
    // One run: the id for `m`, kept when `keep`.
    std::string obtain(const Machine& m, const std::tm& now, bool keep = true, const std::string& key = kServer) {
        DeviceIdState state(dir, key, key, m);
        const std::string id = state.reserve(now);
        if (keep) state.commit();
        return id;
    }
    std::size_t files() const { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); }
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
    // Another server knows the machine under an id of its own.
    EXPECT_EQ(obtain(a, later, true, "http://t/ocsinventory"), "WS-1-2027-01-01-00-00-00");

    // Machines of one name, first sent in the same second: the later one
    // takes the next free second, and 23:59:59 carries into the next day.
    const std::tm last = at(2026, 12, 31, 23, 59, 59);
    EXPECT_EQ(obtain({"PC", "U1", ""}, last), "PC-2026-12-31-23-59-59");
    EXPECT_EQ(obtain({"PC", "U2", ""}, last), "PC-2027-01-01-00-00-00");
    EXPECT_EQ(obtain({"PC", "", "S3"}, last), "PC-2027-01-01-00-00-01");
    EXPECT_EQ(obtain({"pc", "U4", ""}, last), "pc-2027-01-01-00-00-02");  // the server ignores letter case
    EXPECT_EQ(obtain({"PC", "U2", ""}, later), "PC-2027-01-01-00-00-00");
    // A machine file and a claim per id; no temporary files are left behind.
    EXPECT_EQ(files(), 2u * 7);
}

TEST_F(StateFolder, NothingIsKeptWithoutCommit) {
    const std::string folder = dir + "/a/b";
    {
        DeviceIdState state(folder, kServer, kServer, {"WS", "U", "S"});
        EXPECT_EQ(state.reserve(at(2026, 1, 1, 0, 0, 0)), "WS-2026-01-01-00-00-00");
        EXPECT_TRUE(fs::exists(folder));
    }
    EXPECT_FALSE(fs::exists(dir + "/a"));  // the folders made for it go as well
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
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".deviceid") path = e.path().string();
    const std::string target = (fs::path(dir) / "precious.txt").string();
    std::ofstream(target) << "keep me";

    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"garbage", [&] { std::ofstream(path) << "<html>not an id</html>"; }},
        {"huge", [&] { std::ofstream(path) << std::string(100000, 'A'); }},
        {"folder", [&] { fs::create_directory(path); }},
#if !defined(_WIN32)
        {"symlink", [&] { fs::create_symlink(target, path); }},
        {"fifo", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
#endif
    };
    for (const Case& c : cases) {
        fs::remove_all(path);
        c.make();
        EXPECT_THROW(obtain(m, now), std::runtime_error) << c.what;
        EXPECT_EQ(read(target), "keep me") << c.what;
    }
    fs::remove_all(path);
    std::ofstream(path) << "<html>not an id</html>";
    EXPECT_THROW(obtain(m, now), std::runtime_error);
    EXPECT_EQ(read(path), "<html>not an id</html>");  // not replaced behind the user's back
}

TEST_F(StateFolder, ReplaceFileSwapsWholeFilesOnly) {
    const std::string path = (fs::path(dir) / "inventory.xml").string();
    tq::platform::replaceFile(path, "first");
    tq::platform::replaceFile(path, "second, longer");
    EXPECT_EQ(read(path), "second, longer");
    EXPECT_THROW(tq::platform::replaceFile(dir, "x"), std::runtime_error);  // a folder in the file's place
    EXPECT_THROW(tq::platform::replaceFile((fs::path(dir) / "missing" / "x.xml").string(), "x"), std::runtime_error);
#if !defined(_WIN32)
    const std::string target = dir + "/precious.txt";
    std::ofstream(target) << "keep me";
    const std::string link = dir + "/link.xml";
    fs::create_symlink(target, link);
    EXPECT_THROW(tq::platform::replaceFile(link, "x"), std::runtime_error);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read(target), "keep me");

    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
#endif
}

#if !defined(_WIN32)
TEST_F(StateFolder, StateFolderFollowsTheEnvironment) {
    const char* oldXdg = std::getenv("XDG_STATE_HOME");
    const std::string saved = oldXdg ? oldXdg : "";
    ::setenv("XDG_STATE_HOME", (dir + "/xdg").c_str(), 1);
    EXPECT_EQ(tq::platform::stateFolder(), dir + "/xdg/tallyquest");
    EXPECT_EQ(tq::platform::makeFolders(dir + "/xdg/tallyquest"),
              (std::vector<std::string>{dir + "/xdg", dir + "/xdg/tallyquest"}));
    EXPECT_TRUE(tq::platform::makeFolders(dir + "/xdg/tallyquest").empty());
    std::ofstream(dir + "/file") << "x";
    EXPECT_THROW(tq::platform::makeFolders(dir + "/file"), std::runtime_error);
    if (oldXdg) ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_STATE_HOME");
}
#endif

}  // namespace
