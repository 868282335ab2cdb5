// The shared text helpers and the report names Windows refuses. (Escaped
// markup and the usual identifiers: the whole-report and section tests.)
#include <gtest/gtest.h>

#include "platform/devicename.h"
#include "report/main.h"
#include "report/text.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

TEST(TrimPnpId, RevisionWithoutInstanceComesBackUnchanged) {
    // Nothing to cut after the revision: the identifier stays whole instead
    // of failing and losing the caller's row.
    testing::PlatformScope scope;
    EXPECT_EQ(TrimPnpId("PCI\\VEN_8086&DEV_1502&REV_04"), "PCI\\VEN_8086&DEV_1502&REV_04");
}

// Each result is left in the caller's variable too; a text that went
// through once comes back unchanged.
TEST(EncodeUmlauts, EntitiesForUmlautsAndQuotes) {
    const std::pair<std::string, std::string> cases[] = {
        {"M\xC3\xBCller \xC3\x84rger", "M&uuml;ller &Auml;rger"},
        {"\xC3\xB6\xC3\x96\xC3\xA4\xC3\x84\xC3\xBC\xC3\x9C \xC3\x9F & <b>",
         "&ouml;&Ouml;&auml;&Auml;&uuml;&Uuml; \xC3\x9F & <b>"},
        {"the \"new\" one", "the &quot;new&quot; one"},
        {"M&uuml;ller &quot;x&quot;", "M&uuml;ller &quot;x&quot;"},
    };
    for (auto [text, encoded] : cases) {
        EXPECT_EQ(EncodeUmlauts(text), encoded);
        EXPECT_EQ(text, encoded);
    }
}

// (Starts, letter case and replacing: the section and factory tests.)
TEST(TextFunctions, PositionsCountCharactersFromOne) {
    const std::string s = "\u00E4bc\\d";
    EXPECT_EQ(textLength(s), 5u);
    EXPECT_EQ(textLeft(s, 2), "\u00E4b");
    EXPECT_EQ(textMid(s, 2, 2), "bc");
    EXPECT_EQ(textFind(s, "\\"), 4u);
}

// Report names that Windows takes as devices, on every platform alike.
TEST(ReportNames, DeviceNamesOfWindowsAreKnownInEveryForm) {
    for (const char* name : {"CON.htm", "con.htm", "Prn.htm", "AUX", "nul.txt.htm", "COM1.htm", "com9.htm", "LPT1.htm",
                             "lpt9.htm", "COM0.htm", "CON .htm", "CON  ..htm", "NUL.", "CONIN$.htm", "conout$.htm",
                             "COM\xC2\xB9.htm", "C:\\reports\\aux.htm", "/home/op/CON.htm"})
        EXPECT_TRUE(platform::namesWindowsDevice(name)) << name;
    for (const char* name : {"CONSOLE.htm", "CO.htm", "xCON.htm", " CON.htm", "COM10.htm", "COM.htm", "LPTX.htm",
                             "PC 01.htm", "CON-01.htm", "C:\\CON\\PC.htm", ""})
        EXPECT_FALSE(platform::namesWindowsDevice(name)) << name;
}

}  // namespace
}  // namespace tq
