// Test doubles for the seams: a user interface that records what it was
// asked to show, files held in memory, a shell that records what it opened,
// and the platform of them (and a repository) that a test hands down.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/seams.h"
#include "report/stream.h"
#include "wmi/service.h"

namespace tq::testing {

struct Message {
    std::string prompt;
    int style;
    std::string title;
};
// The messages' texts, in order.
std::vector<std::string> prompts(const std::vector<Message>& messages);

class FakeUi final : public platform::UserInterface {
public:
    std::vector<Message> messages;
    std::vector<int> pointers;
    std::vector<int> progress;        // every progressUpdate value
    std::vector<std::string> events;  // "create", "caption:..", "picture", "status:..", "show", "close"
    bool vga = false, audio = false, lan = true;
    bool mainClosed = false;
    int dialogCloses = 0;
    std::uintptr_t handle = 0x1234;
    std::function<void(const Message&)> onMessage;  // runs while a box is "open"
    std::function<void(int)> onProgress;            // runs at each progress update

    void messageBox(const std::string& prompt, int style, const std::string& title) override;
    void setMousePointer(int pointer) override { pointers.push_back(pointer); }
    void progressCreate() override { events.push_back("create"); }
    void progressSetCaption(const std::string& c) override { events.push_back("caption:" + c); }
    void progressVisiblePicture(std::uint32_t, std::uint32_t, bool) override { events.push_back("picture"); }
    void progressSetStatus(const std::string& t) override { events.push_back("status:" + t); }
    void progressShow() override { events.push_back("show"); }
    void progressUpdate(std::int32_t p) override {
        progress.push_back(p);
        if (onProgress) onProgress(p);
    }
    void progressClose() override { events.push_back("close"); }
    std::uintptr_t mainWindowHandle() override { return handle; }
    void closeMainWindow() override { mainClosed = true; }
    void closeReportNameDialog() override { ++dialogCloses; }
    bool onboardTicked(platform::OnboardBox box) override;

    std::vector<std::string> prompts() const { return testing::prompts(messages); }
};

// Files in memory, keyed by Windows path without regard to case. Text is
// kept as UTF-8 exactly as written (lines end with CR LF).
class MemoryFiles final : public platform::Files {
public:
    struct File {
        std::string content;
        int attributes = platform::kAttrNormal;
        bool locked = false;  // exists but cannot be opened
    };
    std::string appFolder = "C:\\Tallyquest";
    std::map<std::string, std::string> env;
    bool failWrites = false;  // every line written fails (disk full)

    File& add(const std::string& path, std::string content = {}, int attributes = 0);
    File* find(const std::string& path);
    const std::string& content(const std::string& path);  // "" when missing

    std::string applicationFolder() override { return appFolder; }
    bool fileExists(const std::string& path) override;
    std::unique_ptr<platform::TextWriter> openForWriting(const std::string& path) override;
    std::unique_ptr<platform::TextWriter> createTextFile(const std::string& path) override;
    std::string lookup(const std::string& path, int attributes) override;
    void setAttributes(const std::string& path, int attributes) override;
    std::unique_ptr<platform::LineReader> openForInput(const std::string& path) override;
    std::optional<std::string> environment(const std::string& name) override;

private:
    std::map<std::string, File> files_;
};

class FakeShell final : public platform::Shell {
public:
    struct Call {
        std::uintptr_t owner;
        std::string verb, file, parameters, directory;
        int show;
    };
    std::vector<Call> executed;
    std::vector<std::string> launched;
    std::vector<std::string> existing;  // what firstMatch finds
    bool failLaunch = false;

    std::intptr_t execute(std::uintptr_t owner, const std::string& verb, const std::string& file,
                          const std::string& parameters, const std::string& directory, int show) override;
    void launch(const std::string& path) override;
    std::string firstMatch(const std::string& path) override;
};

// The fakes (and the en-US locale) as a platform without registry or
// service, for a test's lifetime; the program-wide report state is cleared
// at both ends.
class PlatformScope {
public:
    PlatformScope();
    ~PlatformScope();
    FakeUi ui;
    MemoryFiles files;
    FakeShell shell;
    platform::Platform platform{&files, &shell, nullptr, &platform::usEnglishLocale(), &ui, nullptr};
};

// A report stream of `platform` whose lines land in memory.
struct MemoryStream {
    explicit MemoryStream(platform::Platform& platform);
    std::shared_ptr<std::vector<std::string>> lines;
    std::shared_ptr<bool> failing;  // set to make every write fail
    wmi::Run run;                   // through the platform's binder as it is when the stream is made
    report::ReportStream stream;
};

// Runs one section writer on a fresh memory stream and returns its lines;
// `pending`, when given, receives the failure the writer left pending.
std::vector<std::string> runSection(platform::Platform& platform, void (*write)(report::ReportStream&),
                                    Failure* pending = nullptr);

// A section as the writers give it: the table head, the rows, the table footer.
std::vector<std::string> section(std::string_view title, const std::vector<std::pair<std::string, std::string>>& rows);

}  // namespace tq::testing
