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

TEST_F(StateFolder, FirstRunMakesTheIdLaterRunsKeepIt) {
    const std::string first = obtainDeviceId(dir, "http://s/ocsinventory", "WS-1", at(2026, 1, 2, 3, 4, 5));
    EXPECT_EQ(first, "WS-1-2026-01-02-03-04-05");
    EXPECT_EQ(read(statePath("http://s/ocsinventory")), first + "\n");
    // A renamed machine, a later time: still the same machine for that server.
    EXPECT_EQ(obtainDeviceId(dir, "http://s/ocsinventory", "WS-2", at(2027, 1, 1, 0, 0, 0)), first);
    // Another server knows the machine under an id of its own.
    EXPECT_EQ(obtainDeviceId(dir, "http://t/ocsinventory", "WS-2", at(2027, 1, 1, 0, 0, 0)),
              "WS-2-2027-01-01-00-00-00");
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST_F(StateFolder, HostileStateFilesAreRefusedAndLeftAlone) {
    const std::string key = "http://s/ocsinventory";
    const std::string path = statePath(key);
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
        EXPECT_THROW(obtainDeviceId(dir, key, "WS", at(2026, 1, 1, 0, 0, 0)), std::runtime_error) << c.what;
        EXPECT_EQ(read(target), "keep me") << c.what;
    }
    fs::remove_all(path);
    std::ofstream(path) << "<html>not an id</html>";
    EXPECT_THROW(obtainDeviceId(dir, key, "WS", at(2026, 1, 1, 0, 0, 0)), std::runtime_error);
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
    EXPECT_TRUE(fs::is_directory(dir + "/xdg/tallyquest"));
    std::ofstream(dir + "/file") << "x";
    ::setenv("XDG_STATE_HOME", (dir + "/file").c_str(), 1);
    EXPECT_THROW(tq::platform::stateFolder(), std::runtime_error);
    if (oldXdg) ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_STATE_HOME");
}
#endif

}  // namespace
