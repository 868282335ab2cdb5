// Taking the service's monikers apart.
#include <gtest/gtest.h>

#include "platform/windows/moniker.h"
#include "wmi/service.h"

namespace tq::win {
namespace {

TEST(MonikerParse, TheProgramsThreeMonikers) {
    auto m = parseMoniker(wmi::kMoniker);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->impersonation, 3u);
    EXPECT_EQ(m->server, ".");
    EXPECT_EQ(m->nameSpace, "root\\cimv2");
    EXPECT_EQ(m->connectPath(), "\\\\.\\root\\cimv2");
    EXPECT_TRUE(m->objectPath.empty());

    auto upper = parseMoniker(wmi::kMonikerUpper);
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->nameSpace, "root\\CIMV2");
    EXPECT_EQ(upper->impersonation, 3u);

    auto plain = parseMoniker(wmi::kMonikerPlain);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->connectPath(), "\\\\.\\root\\CIMV2");
    EXPECT_EQ(plain->impersonation, 3u);  // the service's default level
}

TEST(MonikerParse, DefaultsAndSpellings) {
    auto bare = parseMoniker("winmgmts:");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->connectPath(), "\\\\.\\root\\cimv2");

    auto shouting = parseMoniker("WINMGMTS:{ImpersonationLevel = Identify}");
    ASSERT_TRUE(shouting);
    EXPECT_EQ(shouting->impersonation, 2u);

    auto slashes = parseMoniker("winmgmts://server1/root/default");
    ASSERT_TRUE(slashes);
    EXPECT_EQ(slashes->server, "server1");
    EXPECT_EQ(slashes->nameSpace, "root\\default");

    auto relative = parseMoniker("winmgmts:root\\wmi");
    ASSERT_TRUE(relative);
    EXPECT_EQ(relative->server, ".");
    EXPECT_EQ(relative->nameSpace, "root\\wmi");

    auto serverOnly = parseMoniker("winmgmts:\\\\.");
    ASSERT_TRUE(serverOnly);
    EXPECT_EQ(serverOnly->nameSpace, "root\\cimv2");
}

TEST(MonikerParse, SecuritySettings) {
    auto m = parseMoniker(
        "winmgmts:{impersonationLevel=delegate,authenticationLevel=pktPrivacy,(Debug, !Shutdown)}"
        "[locale=ms_407]!\\\\srv\\root\\cimv2");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->impersonation, 4u);
    EXPECT_EQ(m->authentication, 6u);
    EXPECT_EQ(m->privileges, (std::vector<std::string>{"Debug", "!Shutdown"}));
    EXPECT_EQ(m->locale, "ms_407");
    EXPECT_EQ(m->server, "srv");

    auto levels = parseMoniker("winmgmts:{authenticationLevel=call}");
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->authentication, 3u);
    EXPECT_EQ(levels->impersonation, 3u);
}

TEST(MonikerParse, ObjectPathsAreKeptApart) {
    auto m = parseMoniker("winmgmts:\\\\.\\root\\cimv2:Win32_BIOS");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->nameSpace, "root\\cimv2");
    EXPECT_EQ(m->objectPath, "Win32_BIOS");
}

TEST(MonikerParse, RejectsWhatIsNoMoniker) {
    for (const char* bad : {
             "",
             "winmgmt:\\\\.\\root\\cimv2",
             "Scripting.FileSystemObject",
             "winmgmts:{impersonationLevel=impersonate",          // unclosed settings
             "winmgmts:{impersonationLevel=pretend}!\\\\.\\root",  // unknown level
             "winmgmts:{colour=blue}",                            // unknown setting
             "winmgmts:{impersonationLevel}",                     // no value
             "winmgmts:{impersonationLevel=impersonate}\\\\.\\root\\cimv2",  // no "!"
             "winmgmts:{(Debug}",
             "winmgmts:\\\\\\root",                               // empty server
             "winmgmts:\\\\.\\root\\\\cimv2",                     // empty namespace part
             "winmgmts:\\\\.\\root\\cimv2:",                      // empty object path
         }) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseMoniker(bad));
    }
}

}  // namespace
}  // namespace tq::win
