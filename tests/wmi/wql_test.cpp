// The WQL engine against the sample machine: the program's query forms,
// precedence, LIKE, literal conversion, select lists, superclasses, case
// rules, and which failures a query gives and when.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine.h"
#include "wmi/wql.h"

namespace tq::wmi {
namespace {

using testing::column;
using testing::failureOf;
using testing::kInvalidClass;
using testing::kInvalidQuery;
using testing::kInvalidQueryType;
using testing::sampleMachine;
using V = std::vector<std::string>;

class Wql : public ::testing::Test {
protected:
    std::shared_ptr<Repository> repo = sampleMachine();
    V col(const std::string& q, const std::string& p) { return column(repo, q, p); }
    std::int32_t errorOf(const std::string& q, int flags = 0, const std::string& lang = "WQL") {
        return failureOf([&] {
            ServicePtr s = makeService(repo);
            CollectionPtr c = s->execQuery(q, lang, flags);
            while (c->next()) {
            }
        }).number;
    }
};

// Every query form the program runs, as it writes them (blanks included).
TEST_F(Wql, AnswersTheProgramsQueries) {
    struct Case {
        std::string query, property;
        V expected;
    };
    const Case cases[] = {
        {"Select * from Win32_Bios", "Manufacturer", {"American Megatrends Inc."}},
        {"Select * from Win32_Processor", "DeviceID", {"CPU0"}},
        {"SELECT HardWareID FROM Win32_PnPSignedDriver Where Deviceclass = 'PROCESSOR'", "HardWareID",
         {"ACPI\\AuthenticAMD", "ACPI\\Second"}},
        {"Select * from Win32_DiskDrive Where Size >'2036385280'", "Model", {"Big", "Huge"}},
        {"SELECT VolumeName FROM Win32_LogicalDisk WHERE DeviceID = 'C:'", "VolumeName", {"System"}},
        {"Select * from Win32_LogicalDisk Where DriveType ='2'", "DeviceID", {"A:"}},
        {"Select * from Win32_CDROMDrive", "Drive", {"E:"}},
        {"Select * from CIM_PhysicalMemory", "Tag", {"Physical Memory 0", "Physical Memory 1"}},
        {"Select * from Win32_Keyboard", "Layout", {"00000407"}},
        {"Select * from Win32_PointingDevice", "Description", {"HID-compliant mouse"}},
        {"SELECT AttachedTo,Caption FROM Win32_POTSModem WHERE PNPDeviceID IS NOT NULL", "AttachedTo", {"COM3"}},
        {"Select * from Win32_QuickFixEngineering Where HotFixID <> 'File 1'", "HotFixID", {"KB100", "KB200"}},
        {"Select * from Win32_PnPEntity Where ConfigManagerErrorCode <> '0'", "Name", {"No driver", "Not started"}},
        {"SELECT * FROM Win32_ComputerSystemProduct", "Vendor", {"LENOVO"}},
        {"SELECT Manufacturer FROM Win32_BaseBoard", "Manufacturer", {"ASRock"}},
        {"SELECT Manufacturer FROM Win32_ComputerSystem", "Manufacturer", {"To Be Filled"}},
        {"SELECT * FROM Win32_NetworkAdapter Where PnPDeviceID like 'V1394%' ", "Name", {"1394 Net Adapter"}},
        {"SELECT * FROM Win32_VideoController", "AdapterRAM", {"1073741824"}},
        {"SELECT * FROM Win32_SoundDevice WHERE Caption LIKE '%Audio%' ", "Caption",
         {"High Definition Audio Device", "USB audio"}},
        {"SELECT * FROM Win32_NetworkAdapter WHERE PNPDeviceID LIKE 'PCI%VEN%' AND (NetConnectionID LIKE '%LAN%' OR "
         "NetConnectionID LIKE '%Local%' OR NetConnectionID LIKE '%Area%')",
         "Name",
         {"Realtek LAN"}},
        {"SELECT * FROM Win32_NetworkAdapter WHERE NetConnectionID  > 0 ", "Name",
         {"Intel Ethernet", "Realtek LAN", "Hyper-V"}},
        {"SELECT MACAddress FROM Win32_NetworkAdapter WHERE Name = 'Realtek LAN' ", "MACAddress",
         {"AA:BB:CC:DD:EE:FF"}},
        {"SELECT * FROM Win32_PnPSignedDriver WHERE (Location LIKE '%PCI%') OR DeviceClass='USB' OR DeviceClass='HDC'",
         "Description",
         {"USB Root Hub", "SATA AHCI", "PCI Express Root Port", "Intel UHD Graphics"}},
        {"Select * from Win32_OperatingSystem", "CountryCode", {"49"}},
        {"Select * from Win32_SystemSlot", "currentusage", {"4", "3"}},
        {"Select * from Win32_OnBoardDevice", "DeviceType", {"3", "7"}},
        {"SELECT * FROM Win32_PnPSignedDriver where (DeviceClass='SYSTEM' OR DeviceClass='USB' OR DeviceClass='HDC') "
         "AND DeviceID like '%VEN%' ",
         "Description",
         {"USB Root Hub", "SATA AHCI", "PCI Express Root Port"}},
        {"SELECT * FROM Win32_NetworkAdapter WHERE PNPDeviceID LIKE 'PCI%VEN%' AND NetConnectionID  > 0", "Name",
         {"Intel Ethernet", "Realtek LAN"}},
    };
    for (const Case& c : cases) EXPECT_EQ(col(c.query, c.property), c.expected) << c.query;

    // The performance rating runs with the service's defaults.
    ServicePtr s = makeService(repo);
    CollectionPtr sat = s->execQuery("Select * From Win32_WinSAT", "WQL", kDefaultFlags);
    const Object* o = sat->next();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->get("CPUScore").str(), "7.3");
    EXPECT_EQ(sat->next(), nullptr);
}

TEST_F(Wql, PrecedenceIsNotThenAndThenOr) {
    const std::string q = "SELECT * FROM Win32_PnPSignedDriver WHERE ";
    // OR binds looser than AND: USB, plus SYSTEM drivers with a location.
    EXPECT_EQ(col(q + "DeviceClass = 'USB' OR DeviceClass = 'SYSTEM' AND Location IS NOT NULL", "Description"),
              (V{"USB Root Hub", "PCI Express Root Port"}));
    EXPECT_EQ(col(q + "(DeviceClass = 'USB' OR DeviceClass = 'SYSTEM') AND Location IS NOT NULL", "Description"),
              (V{"USB Root Hub", "PCI Express Root Port"}));
    EXPECT_EQ(col(q + "(DeviceClass = 'USB' OR DeviceClass = 'SYSTEM') AND Location IS NULL", "Description"),
              (V{"System timer"}));
    // NOT applies to the comparison next to it, before AND.
    EXPECT_EQ(col(q + "NOT DeviceClass = 'SYSTEM' AND Location LIKE '%device 2%'", "Description"),
              (V{"USB Root Hub", "SATA AHCI", "Intel UHD Graphics"}));
    EXPECT_EQ(col(q + "NOT (DeviceClass = 'SYSTEM' AND Location LIKE '%device 2%')", "Description").size(), 6u);
    EXPECT_EQ(col(q + "NOT NOT DeviceClass = 'HDC'", "Description"), (V{"SATA AHCI"}));
    // A comparison with an absent value is false, so its negation holds.
    EXPECT_EQ(col(q + "NOT Location LIKE '%PCI%'", "Description"),
              (V{"AMD Processor", "System timer", "Second Processor"}));
}

TEST(WqlLike, PatternsAndClasses) {
    auto m = [](const char* p, const char* v) { return wql::LikePattern(p).matches(v); };
    EXPECT_TRUE(m("%", ""));
    EXPECT_TRUE(m("abc", "ABC"));
    EXPECT_FALSE(m("abc", "abcd"));
    EXPECT_TRUE(m("a%c", "abbbc"));
    EXPECT_TRUE(m("a%c", "ac"));
    EXPECT_FALSE(m("a%c", "acb"));
    EXPECT_TRUE(m("%a%b%", "xxaxxbxx"));
    EXPECT_TRUE(m("%aab", "aaab"));  // needs backtracking past a partial match
    EXPECT_TRUE(m("a_c", "abc"));
    EXPECT_FALSE(m("a_c", "ac"));
    EXPECT_TRUE(m("_", "\xC3\xA4"));        // one character, two bytes
    EXPECT_TRUE(m("\xC3\x84%", "\xC3\xA4x"));  // Ä matches ä
    EXPECT_TRUE(m("[abc]x", "Bx"));
    EXPECT_FALSE(m("[abc]x", "dx"));
    EXPECT_TRUE(m("[a-f]1", "E1"));
    EXPECT_FALSE(m("[a-f]1", "g1"));
    EXPECT_TRUE(m("[^a]%", "bcd"));
    EXPECT_FALSE(m("[^a]%", "abc"));
    EXPECT_TRUE(m("[%]", "%"));
    EXPECT_FALSE(m("[%]", "x"));
    EXPECT_TRUE(m("[a-]", "-"));
    EXPECT_TRUE(m("[0-9][0-9]%", "42 things"));
    for (const char* bad : {"[abc", "[]", "[^]", "x[", "[a-"})
        EXPECT_EQ(failureOf([&] { wql::LikePattern p(bad); }).number, kInvalidQuery) << bad;
}

TEST_F(Wql, LiteralsTakeThePropertysType) {
    const std::string disks = "SELECT * FROM Win32_DiskDrive WHERE ";
    // uint64 texts compare as numbers, exactly: a double could not tell these apart.
    EXPECT_EQ(col(disks + "Size = '18446744073709551614'", "Model"), (V{"Huge"}));
    EXPECT_EQ(col(disks + "Size = 18446744073709551615", "Model"), (V{}));
    EXPECT_EQ(col(disks + "Size < 2036385281", "Model"), (V{"Equal", "Small"}));
    EXPECT_EQ(col(disks + "Size >= 2.036385280e9", "Model"), (V{"Big", "Equal", "Huge"}));
    // Literal first: the comparison is mirrored.
    EXPECT_EQ(col(disks + "2036385280 < Size", "Model"), (V{"Big", "Huge"}));
    EXPECT_EQ(col("SELECT * FROM Win32_LogicalDisk WHERE '2' = DriveType", "DeviceID"), (V{"A:"}));
    EXPECT_EQ(col("SELECT * FROM Win32_LogicalDisk WHERE DriveType >= +3", "DeviceID"), (V{"C:", "E:"}));
    EXPECT_EQ(col("SELECT * FROM Win32_LogicalDisk WHERE DriveType > -1", "DeviceID").size(), 3u);
    // A numeric property against a text that is no number is a bad query.
    EXPECT_EQ(errorOf(disks + "Size > 'big'"), kInvalidQuery);
    EXPECT_EQ(errorOf(disks + "Size = TRUE"), kInvalidQuery);

    // A string property against a number compares with its text.
    EXPECT_EQ(col("SELECT * FROM Win32_OperatingSystem WHERE CountryCode = 49", "Caption"), (V{"Windows 10 Pro"}));
    EXPECT_EQ(col("SELECT * FROM Win32_OperatingSystem WHERE CountryCode > 5", "Caption"), (V{}));  // "49" < "5"

    // Booleans take TRUE/FALSE, texts and numbers.
    const std::string drivers = "SELECT * FROM Win32_PnPSignedDriver WHERE ";
    EXPECT_EQ(col(drivers + "IsSigned = TRUE", "Description"), (V{"AMD Processor", "USB Root Hub"}));
    EXPECT_EQ(col(drivers + "IsSigned = 'false'", "Description"), (V{"SATA AHCI"}));
    EXPECT_EQ(col(drivers + "IsSigned <> 1", "Description"), (V{"SATA AHCI"}));
    EXPECT_EQ(errorOf(drivers + "IsSigned = 'perhaps'"), kInvalidQuery);

    // NULL with = and <> tests for absence; with an order it never holds.
    EXPECT_EQ(col(drivers + "Location = NULL", "Description"), (V{"AMD Processor", "System timer", "Second Processor"}));
    EXPECT_EQ(col(drivers + "Location <> NULL", "Description").size(), 4u);
    EXPECT_EQ(col(drivers + "Location > NULL", "Description"), (V{}));

    // Reals compare as numbers.
    EXPECT_EQ(col("SELECT * FROM Win32_WinSAT WHERE CPUScore > 7.2 AND CPUScore < 7.4", "WinSPRLevel"), (V{"5.9"}));
}

TEST_F(Wql, StringLiterals) {
    const std::string drivers = "SELECT * FROM Win32_PnPSignedDriver WHERE ";
    // A backslash before other characters stands for itself; doubled it is one.
    EXPECT_EQ(col(drivers + "DeviceID = 'ACPI\\PNP0100'", "Description"), (V{"System timer"}));
    EXPECT_EQ(col(drivers + "DeviceID = 'ACPI\\\\PNP0100'", "Description"), (V{"System timer"}));
    EXPECT_EQ(col(drivers + "DeviceID = \"acpi\\pnp0100\"", "Description"), (V{"System timer"}));

    auto r = std::make_shared<Repository>();
    r->add("Win32_Keyboard").set("Description", Value::text("O'Brien \"quoted\""));
    EXPECT_EQ(column(r, "SELECT * FROM Win32_Keyboard WHERE Description = 'O\\'Brien \"quoted\"'", "Description").size(), 1u);
    EXPECT_EQ(column(r, "SELECT * FROM Win32_Keyboard WHERE Description = \"O'Brien \\\"quoted\\\"\"", "Description").size(), 1u);
}

TEST_F(Wql, UnknownClassesCompareByTheValuesKind) {
    auto r = std::make_shared<Repository>();
    Instance& a = r->add("Custom_Thing");
    a.set("Count", Value::integer(10));
    a.set("Label", Value::text("10"));
    a.set("Flag", Value::boolean(true));
    auto q = [&](const std::string& where) {
        return column(r, "SELECT * FROM Custom_Thing WHERE " + where, "Count").size();
    };
    EXPECT_EQ(q("Count > '9'"), 1u);  // as numbers
    EXPECT_EQ(q("Label > 9"), 0u);    // as texts: "10" < "9"
    EXPECT_EQ(q("Flag = TRUE"), 1u);
    EXPECT_EQ(q("Count > 'x'"), 0u);  // no number: no match, and no failure
    EXPECT_EQ(q("Missing = 1"), 0u);  // not listed: absent
    EXPECT_EQ(q("Missing IS NULL"), 1u);
}

TEST_F(Wql, CaseIsIgnoredInKeywordsNamesAndTexts) {
    EXPECT_EQ(col("select * from WIN32_BIOS where manufacturer like 'AMERICAN%'", "MANUFACTURER"),
              (V{"American Megatrends Inc."}));
    EXPECT_EQ(col("sElEcT sMbIoSbIoSvErSiOn FrOm win32_bios", "smbiosbiosversion"), (V{"1.20"}));
    EXPECT_EQ(col("SELECT * FROM Win32_LogicalDisk WHERE DeviceID = 'c:'", "DeviceID"), (V{"C:"}));
    EXPECT_EQ(col("SELECT * FROM Win32_LogicalDisk WHERE DeviceID > 'b:' AND DeviceID < 'D:'", "DeviceID"), (V{"C:"}));
}

TEST_F(Wql, SelectListLimitsWhatCanBeRead) {
    ServicePtr s = makeService(repo);
    CollectionPtr c = s->execQuery("SELECT AttachedTo,Caption FROM Win32_POTSModem", "WQL", kProbeFlags);
    const Object* o = c->next();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->get("attachedto").str(), "COM3");
    EXPECT_EQ(o->names(), (V{"AttachedTo", "Caption"}));
    EXPECT_EQ(o->className(), "Win32_POTSModem");
    const Failure f = failureOf([&] { o->get("PNPDeviceID"); });
    EXPECT_EQ(f.number, fail::kNotSupported);
    EXPECT_EQ(f.description, "Object doesn't support this property or method");
    // The condition may use other properties; the view follows the walk.
    c = s->execQuery("SELECT Caption FROM Win32_POTSModem WHERE AttachedTo = 'COM4'", "WQL", kProbeFlags);
    o = c->next();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->get("Caption").str(), "Modem B");
    EXPECT_EQ(c->next(), nullptr);
}

TEST_F(Wql, SuperclassQueriesYieldSubclassObjects) {
    ServicePtr s = makeService(repo);
    CollectionPtr c = s->execQuery("SELECT * FROM CIM_PhysicalMemory WHERE MemoryType = 24", "WQL", kProbeFlags);
    const Object* o = c->next();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->className(), "Win32_PhysicalMemory");
    EXPECT_EQ(o->get("Capacity").str(), "8589934592");
    EXPECT_EQ(c->next(), nullptr);
    // The subclass alone does not yield its superclass's own objects.
    repo->add("CIM_PhysicalMemory").set("Tag", Value::text("generic"));
    EXPECT_EQ(col("SELECT * FROM Win32_PhysicalMemory", "Tag"), (V{"Physical Memory 0", "Physical Memory 1"}));
    EXPECT_EQ(col("SELECT * FROM CIM_PhysicalMemory", "Tag"), (V{"generic", "Physical Memory 0", "Physical Memory 1"}));
}

TEST_F(Wql, FailuresAndWhenTheySurface) {
    const char* syntax[] = {
        "",
        "SELECT",
        "SELECT FROM Win32_Bios",
        "SELECT * Win32_Bios",
        "SELECT * FROM",
        "SELECT *, Name FROM Win32_Bios",
        "SELECT Name, FROM Win32_Bios",
        "SELECT * FROM Win32_Bios WHERE",
        "SELECT * FROM Win32_Bios WHERE Name =",
        "SELECT * FROM Win32_Bios WHERE Name = 'x",
        "SELECT * FROM Win32_Bios WHERE (Name = 'x'",
        "SELECT * FROM Win32_Bios WHERE Name = 'x')",
        "SELECT * FROM Win32_Bios WHERE Name = 'x' AND",
        "SELECT * FROM Win32_Bios WHERE Name = Caption",
        "SELECT * FROM Win32_Bios WHERE 'a' = 'b'",
        "SELECT * FROM Win32_Bios WHERE Name LIKE 5",
        "SELECT * FROM Win32_Bios WHERE Name LIKE '[x'",
        "SELECT * FROM Win32_Bios WHERE Name IS 'x'",
        "SELECT * FROM Win32_Bios WHERE Name NOT = 'x'",
        "SELECT * FROM Win32_Bios WHERE Name == 'x'",
        "SELECT * FROM Win32_Bios WHERE Name = 12abc",
        "SELECT * FROM Win32_Bios trailing",
        "SELECT * FROM Win32_Bios; DROP",
        "SELECT * FROM Where",
        "DELETE FROM Win32_Bios",
    };
    for (const char* q : syntax) EXPECT_EQ(errorOf(q), kInvalidQuery) << q;
    std::string deep = "SELECT * FROM Win32_Bios WHERE " + std::string(500, '(') + "Name = 'x'" + std::string(500, ')');
    EXPECT_EQ(errorOf(deep), kInvalidQuery);

    EXPECT_EQ(errorOf("SELECT * FROM Win32_Nothing"), kInvalidClass);
    EXPECT_EQ(errorOf("SELECT * FROM Win32_Bios WHERE NoSuchProperty = 1"), kInvalidQuery);
    EXPECT_EQ(errorOf("SELECT NoSuchProperty FROM Win32_Bios"), kInvalidQuery);
    EXPECT_EQ(errorOf("SELECT * FROM Win32_Bios WHERE BIOSVersion = 'x'"), kInvalidQuery);  // an array
    EXPECT_EQ(errorOf("SELECT * FROM Win32_Bios", 0, "SQL"), kInvalidQueryType);
    EXPECT_EQ(errorOf("SELECT * FROM Win32_Bios", 0, "wql"), 0);
    // A known class without objects is an empty result.
    EXPECT_EQ(column(std::make_shared<Repository>(), "SELECT * FROM Win32_Keyboard", "Name"), (V{}));

    // Without "return immediately" execQuery fails at once ...
    ServicePtr s = makeService(repo);
    EXPECT_EQ(failureOf([&] { s->execQuery("SELECT * FROM Win32_Nothing", "WQL", kForwardOnly); }).number, kInvalidClass);
    // ... with it, the failure waits for the walk, and stays.
    CollectionPtr c;
    EXPECT_EQ(failureOf([&] { c = s->execQuery("SELECT * FROM Win32_Nothing", "WQL", kProbeFlags); }).number, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(failureOf([&] { c->next(); }).number, kInvalidClass);
    EXPECT_EQ(failureOf([&] { c->next(); }).number, kInvalidClass);
    const Failure f = failureOf([&] { makeService(repo)->execQuery("SELECT * FROM", "WQL", kProbeFlags)->next(); });
    EXPECT_EQ(f.number, kInvalidQuery);
    EXPECT_EQ(f.description, fail::describeService(fail::kWbemInvalidQuery));
}

TEST_F(Wql, WalksDoNotCopyObjects) {
    auto r = std::make_shared<Repository>();
    const Instance* stored = &r->add("Win32_Bios");
    ServicePtr s = makeService(r);
    CollectionPtr c = s->execQuery("SELECT * FROM Win32_Bios", "WQL", kProbeFlags);
    EXPECT_EQ(c->next(), stored);
    // The repository stays alive as long as a result made from it.
    CollectionPtr later = s->execQuery("SELECT * FROM Win32_Bios", "WQL", kProbeFlags);
    s.reset();
    r.reset();
    const Object* o = later->next();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->get("Manufacturer").kind(), Value::Kind::Absent);
}

}  // namespace
}  // namespace tq::wmi
