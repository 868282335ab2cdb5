// tallyquest-report with an inventory server: the report comes first and is
// kept whatever the server does; failures exit 3 with one line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ocs/protocol.h"
#include "tests/support/http_server.h"
#include "tests/support/shell.h"

namespace {

namespace fs = std::filesystem;
using tq::test::TestHttpServer;
using Reply = TestHttpServer::Reply;

const char* const kSnapshot = R"json({
  "Win32_ComputerSystem": [{"Name": "WS-0815", "Manufacturer": "Dell Inc."}],
  "Win32_Bios": [{"Manufacturer": "Dell Inc.", "SMBIOSBIOSVersion": "1.2.3"}],
  "Win32_NetworkAdapter": [{"Name": "LAN", "MACAddress": "B4:2E:99:3A:4F:5C"}]
})json";

std::string ocsReply(const std::string& response) {
    return tq::ocs::compress("<REPLY><RESPONSE>" + response + "</RESPONSE></REPLY>");
}

class ReportWithServer : public ::testing::Test {
protected:
    void SetUp() override {
        tmp.write("machine.json", kSnapshot);
        fs::create_directory(dir + "/out");
    }
    static std::string read(const std::string& p) { return tq::testing::readFile(p); }
    using Result = tq::testing::RunResult;
    // A run on the snapshot with its state below the test's folder.
    Result run(const std::string& args, const std::string& folder = "out") {
        using tq::testing::quote;
        return tq::testing::runShell("cd " + quote(dir) + " && XDG_STATE_HOME=" + quote(dir + "/state") + " LC_ALL=C " +
                                         quote(TQ_REPORT_BINARY) + " --snapshot machine.json --folder " + folder + " " +
                                         args + " >/dev/null",
                                     dir + "/stderr.txt");
    }
    // The stderr lines that are not the report run's own messages.
    static std::string lastLine(const std::string& err) {
        std::string s = err;
        while (!s.empty() && s.back() == '\n') s.pop_back();
        return s.substr(s.rfind('\n') + 1);
    }
    bool reportComplete() {
        const std::string html = read(dir + "/out/PC-01.htm");
        return html.size() > 100 && html.rfind("</body></html>\r\n") == html.size() - 16;
    }
    tq::testing::TempDir tmp;
    const std::string dir = tmp.path;
};

TEST_F(ReportWithServer, SendsAfterTheReportAndKeepsTheDeviceId) {
    TestHttpServer server({{200, ocsReply("SEND")}, {200, ocsReply("NO_ACCOUNT_UPDATE")},
                           {200, ocsReply("SEND")}, {200, ocsReply("NO_ACCOUNT_UPDATE")}});
    EXPECT_EQ(run("--server " + server.url() + " --tag Line-3 PC-01").status, 0);
    EXPECT_TRUE(reportComplete());
    EXPECT_EQ(run("--server " + server.url() + " PC-01").status, 0);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    const std::string first = tq::ocs::uncompress(requests[1].body, 1 << 20);
    const std::string second = tq::ocs::uncompress(requests[3].body, 1 << 20);
    EXPECT_NE(first.find("<NAME>WS-0815</NAME>"), std::string::npos) << first;
    EXPECT_NE(first.find("<KEYVALUE>Line-3</KEYVALUE>"), std::string::npos);
    EXPECT_NE(second.find("<KEYVALUE>PC-01</KEYVALUE>"), std::string::npos);  // the designation by default
    // Both runs speak for the same machine.
    const auto id = [](const std::string& xml) {
        const auto a = xml.find("<DEVICEID>") + 10;
        return xml.substr(a, xml.find("</DEVICEID>") - a);
    };
    EXPECT_EQ(id(first).rfind("WS-0815-", 0), 0u);
    EXPECT_EQ(id(first), id(second));
}

TEST_F(ReportWithServer, FailuresExitThreeWithTheReportKept) {
    struct Case {
        const char* what;
        std::vector<Reply> script;
        const char* message;
    };
    const Case cases[] = {
        {"unknown agent", {{400, ""}}, "extra_useragents"},
        {"server error", {{500, ""}}, "answered HTTP 500"},
        {"garbage", {{200, "garbage"}}, "not an inventory reply"},
        {"silent", {{200, "", Reply::Mode::Silent}}, "did not answer within 1 s"},
    };
    for (const Case& c : cases) {
        TestHttpServer server(c.script);
        const Result r = run("--timeout 1 --server " + server.url() + " PC-01");
        EXPECT_EQ(r.status, 3) << c.what << ": " << r.err;
        EXPECT_NE(lastLine(r.err).find(c.message), std::string::npos) << c.what << ": " << r.err;
        EXPECT_TRUE(reportComplete()) << c.what;
    }
    const std::string closed = "http://127.0.0.1:" + std::to_string(TestHttpServer::closedPort()) + "/ocsinventory";
    const Result r = run("--server " + closed + " PC-01");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(lastLine(r.err).find("cannot reach the inventory server"), std::string::npos) << r.err;
    EXPECT_TRUE(reportComplete());
}

TEST_F(ReportWithServer, NothingIsSentWhenTheReportFailed) {
    TestHttpServer server({{200, ocsReply("SEND")}, {200, ocsReply("NO_ACCOUNT_UPDATE")}});
    const Result r = run("--server " + server.url() + " --ocs-file inv.xml PC-01", "no-such-folder");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(fs::exists(dir + "/inv.xml"));
    EXPECT_FALSE(fs::exists(dir + "/state"));
}

TEST_F(ReportWithServer, InventoryFilesInsteadOfAServer) {
    EXPECT_EQ(run("--ocs-file inv.xml --glpi-file inv.json PC-01").status, 0);
    const std::string xml = read(dir + "/inv.xml");
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(xml.find("<QUERY>INVENTORY</QUERY>"), std::string::npos);
    EXPECT_NE(xml.find("<MACADDR>B4:2E:99:3A:4F:5C</MACADDR>"), std::string::npos);
    // The same machine under the same device id in GLPI's form.
    const std::string json = read(dir + "/inv.json");
    const std::size_t id = xml.find("<DEVICEID>") + 10;
    EXPECT_NE(json.find("\"deviceid\": \"" + xml.substr(id, xml.find('<', id) - id) + "\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"mac\": \"B4:2E:99:3A:4F:5C\""), std::string::npos) << json;

    // A link in a file's place is refused and its target left alone.
    tmp.write("precious.txt", "keep me");
    fs::create_symlink(dir + "/precious.txt", dir + "/link");
    for (const char* option : {"--ocs-file", "--glpi-file"}) {
        const Result r = run(std::string(option) + " link PC-01");
        EXPECT_EQ(r.status, 3) << option;
        EXPECT_NE(lastLine(r.err).find("symbolic link"), std::string::npos) << r.err;
        EXPECT_EQ(read(dir + "/precious.txt"), "keep me");
    }
}

TEST_F(ReportWithServer, BadOptionsAreUsageErrors) {
    for (const char* args : {"--server ftp://host/x PC-01", "--server PC-01", "--timeout 0 --server http://h/ PC-01",
                             "--timeout 1x --server http://h/ PC-01", "--tag T PC-01", "--server http://h/ --", "--glpi-file"}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 64) << args << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir + "/out/PC-01.htm")) << args;
    }
}

}  // namespace
