// tallyquest-report with an inventory server: the report comes first and is
// kept whatever the server does; failures exit 3 with one line.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

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

// The text between `before` and the next `after`; "none" without `before`.
std::string between(const std::string& text, const std::string& before, const std::string& after) {
    const auto a = text.find(before);
    if (a == std::string::npos) return "none";
    return text.substr(a + before.size(), text.find(after, a + before.size()) - a - before.size());
}

class ReportWithServer : public ::testing::Test {
protected:
    void SetUp() override {
        tmp.write("machine.json", kSnapshot);
        fs::create_directory(dir + "/out");
    }
    using Result = tq::testing::RunResult;
    // A run on the snapshot with its state below the test's folder.
    // The machine's own state folder is dir/system, used once it exists.
    Result run(const std::string& args, const std::string& folder = "out", const std::string& state = "state") {
        return sh(command(state) + " --folder " + folder + " " + args + " >stdout.txt");
    }
    // A command line run in the test's folder.
    Result sh(const std::string& command) const {
        return tq::testing::runShell("cd " + quote(dir) + " && " + command, dir + "/stderr.txt");
    }
    std::string command(const std::string& state) const {
        return "XDG_STATE_HOME=" + quote(dir + "/" + state) + " TALLYQUEST_SYSTEM_STATE=" + quote(dir + "/system") +
               " LC_ALL=C " + quote(TQ_REPORT_BINARY) + " --snapshot machine.json";
    }
    static std::string quote(const std::string& s) { return tq::testing::quote(s); }
    // The stderr lines that are not the report run's own messages.
    static std::string lastLine(std::string err) {
        while (!err.empty() && err.back() == '\n') err.pop_back();
        return err.substr(err.rfind('\n') + 1);
    }
    // The DEVICEID of the n-th request the server received.
    static std::string sentId(const TestHttpServer& server, std::size_t n) {
        if (n >= server.requests().size()) return "none";
        return between(tq::ocs::uncompress(server.requests().at(n).body, 1 << 20), "<DEVICEID>", "</DEVICEID>");
    }
    bool reportComplete() const {
        const std::string html = tmp.read("out/PC-01.htm");
        return html.size() > 100 && html.rfind("</body></html>\r\n") == html.size() - 16;
    }
    tq::testing::TempDir tmp;
    const std::string dir = tmp.path;
};

TEST_F(ReportWithServer, SendsAfterTheReport) {
    TestHttpServer server({{200, ocsReply("SEND")}, {200, ocsReply("NO_ACCOUNT_UPDATE")}});
    EXPECT_EQ(run("--server " + server.url() + " --tag Line-3 PC-01").status, 0);
    EXPECT_TRUE(reportComplete());
    ASSERT_EQ(server.requests().size(), 2u);
    const std::string sent = tq::ocs::uncompress(server.requests()[1].body, 1 << 20);
    EXPECT_NE(sent.find("<NAME>WS-0815</NAME>"), std::string::npos) << sent;
    EXPECT_NE(sent.find("<KEYVALUE>Line-3</KEYVALUE>"), std::string::npos);
    EXPECT_EQ(sentId(server, 1).rfind("WS-0815-", 0), 0u);
    EXPECT_EQ(tmp.read("stdout.txt"), "inventory of " + sentId(server, 1) + " sent to " + server.url() + "\n");
}

// One machine is one id whatever it sends or writes, in any order, whoever
// runs it (the machine's folder before the user's, adopting the user's id),
// and for runs at the same time.
TEST_F(ReportWithServer, OneMachineOneId) {
    TestHttpServer server(std::vector<Reply>(13, Reply{200, ocsReply("STOP")}));
    ASSERT_EQ(run("--glpi-file inv.json PC-01").status, 0) << tmp.read("stderr.txt");
    ASSERT_EQ(run("--server " + server.url() + " PC-01").status, 0);
    ASSERT_EQ(run("--ocs-file inv.xml PC-01").status, 0);
    const std::string id = sentId(server, 0);
    EXPECT_EQ(between(tmp.read("inv.json"), "\"deviceid\": \"", "\""), id);
    EXPECT_EQ(between(tmp.read("inv.xml"), "<DEVICEID>", "<"), id);
    EXPECT_NE(tmp.read("inv.xml").find("<KEYVALUE>PC-01</KEYVALUE>"), std::string::npos);  // the designation by default

    // The machine's own folder, once it exists, takes the user's id over,
    // and another user's run finds it there.
    fs::create_directory(dir + "/system");
    ASSERT_EQ(run("--server " + server.url() + " PC-01").status, 0);
    ASSERT_EQ(run("--server " + server.url() + " PC-01", "out", "bob").status, 0);
    EXPECT_EQ(sentId(server, 2), id);
    EXPECT_FALSE(fs::is_empty(dir + "/system"));

    // Ten first runs at once from one state folder send one id.
    fs::remove_all(dir + "/system");
    std::string all;
    for (int i = 0; i < 10; ++i)
        all +=
            command("fresh") + " --folder out --server " + server.url() + " PC-" + std::to_string(i) + " >/dev/null & ";
    ASSERT_EQ(sh("{ " + all + "wait; }").status, 0);
    ASSERT_EQ(server.requests().size(), 13u) << tmp.read("stderr.txt");
    std::set<std::string> ids;
    for (std::size_t i = 3; i < 13; ++i) ids.insert(sentId(server, i));
    EXPECT_EQ(ids.size(), 1u);
}

// Credentials in the address: sent to the server, never shown, and not part
// of the state's name (a new password keeps the device id).
TEST_F(ReportWithServer, CredentialsAreNeitherShownNorKept) {
    TestHttpServer server({{200, ocsReply("STOP")}, {200, ocsReply("STOP")}});
    const std::string url = server.url();
    for (const char* password : {"s3cr3t", "n3w"}) {
        std::string withUser = url;
        withUser.insert(7, std::string("alice:") + password + "@");
        EXPECT_EQ(run("--server " + withUser + " PC-01").status, 0);
        const std::string out = tmp.read("stdout.txt");
        EXPECT_NE(out.find("http://alice@127.0.0.1"), std::string::npos) << out;
        EXPECT_EQ(out.find(password), std::string::npos) << out;
    }
    EXPECT_EQ(sentId(server, 0), sentId(server, 1));
    EXPECT_EQ(server.requests()[1].authorization, "Basic YWxpY2U6bjN3");
    ASSERT_FALSE(fs::is_empty(dir + "/state/tallyquest"));  // kept in XDG_STATE_HOME
    for (const auto& f : fs::directory_iterator(dir + "/state/tallyquest"))
        EXPECT_EQ(f.path().filename().string().find("alice"), std::string::npos) << f;
}

// What a server says (and the address as given) reaches the terminal as
// one short line, its control characters and invisible format characters
// (a right-to-left override, zero-width ones, a line separator, a tag)
// escaped; other characters stay.
TEST_F(ReportWithServer, HostileTextIsEscapedAndCut) {
    const std::string hostile =
        "\x1b]0;owned\x07\x1b[2J\nFAKE\u202E\u200B\u2028\uFEFF\u00AD\U000E0001\u00FC LINE" + std::string(3 << 20, 'A');
    TestHttpServer server({{200, ocsReply(hostile)}});
    EXPECT_EQ(run("--server " + server.url() + " PC-01").status, 0);
    const std::string out = tmp.read("stdout.txt");
    EXPECT_NE(out.find("(it answered "
                       "\\x1b]0;owned\\x07\\x1b[2J\\nFAKE\\u202e\\u200b\\u2028\\ufeff\\u00ad\\U000e0001\u00FC LINEAAA"),
              std::string::npos)
        << out;
    EXPECT_LT(out.size(), 600u);
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
    EXPECT_EQ(out.find('\n'), out.size() - 1);

    const Result r = run("--server " + tq::testing::quote("http://127.0.0.1:1/\x1b[2J\x9b") + " PC-01");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(lastLine(r.err).find("http://127.0.0.1:1/\\x1b[2J"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
}

// A failed exchange (each kind: the protocol's tests): status 3, the reason
// on the last line, the report kept, nothing kept for a refused address.
// A report that failed sends and writes nothing.
TEST_F(ReportWithServer, FailuresExitThreeWithTheReportKeptAndNothingSentWithoutIt) {
    TestHttpServer server({{200, "", Reply::Mode::Silent}});
    Result r = run("--timeout 1 --server " + server.url() + " --ocs-file inv.xml PC-01", "no-such-folder");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(fs::exists(dir + "/inv.xml"));

    r = run("--timeout 1 --server " + server.url() + " PC-01");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(lastLine(r.err).find("did not answer within 1 s"), std::string::npos) << r.err;
    EXPECT_TRUE(reportComplete());
    EXPECT_FALSE(fs::exists(dir + "/state"));
}

TEST_F(ReportWithServer, InventoryFilesInsteadOfAServer) {
    for (const char* left : {"inv.xml.Ab12Cd", "inv.json.Zz99Yy", "inv.xml.bak"}) tmp.write(left, "killed run");
    EXPECT_EQ(run("--ocs-file inv.xml --glpi-file inv.json PC-01").status, 0);
    EXPECT_FALSE(fs::exists(dir + "/inv.xml.Ab12Cd") || fs::exists(dir + "/inv.json.Zz99Yy"));  // a killed run's
    EXPECT_TRUE(fs::exists(dir + "/inv.xml.bak"));
    const std::string xml = tmp.read("inv.xml");
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(xml.find("<QUERY>INVENTORY</QUERY>"), std::string::npos);
    EXPECT_NE(xml.find("<MACADDR>B4:2E:99:3A:4F:5C</MACADDR>"), std::string::npos);
    const std::string json = tmp.read("inv.json");
    EXPECT_NE(json.find("\"mac\": \"B4:2E:99:3A:4F:5C\""), std::string::npos) << json;

    // A link in a file's place is refused and its target left alone.
    tmp.write("precious.txt", "keep me");
    fs::create_symlink(dir + "/precious.txt", dir + "/link");
    const Result r = run("--glpi-file link PC-01");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(lastLine(r.err).find("symbolic link"), std::string::npos) << r.err;
    EXPECT_EQ(tmp.read("precious.txt"), "keep me");
}

}  // namespace
