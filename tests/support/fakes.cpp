#include "tests/support/fakes.h"

#include <algorithm>

#include "platform/linereader.h"
#include "report/main.h"
#include "wmi/ascii.h"
#include "wmi/failure.h"
#include "wmi/trap.h"

namespace tq::testing {
namespace {

std::string key(const std::string& path) {
    std::string k = ascii::lower(path);
    std::replace(k.begin(), k.end(), '/', '\\');
    return k;
}

// The last part of a Windows path.
std::string baseName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// Lines land through `sink`; every write fails (disk full) while `failing` holds.
class FakeWriter final : public platform::TextWriter {
public:
    FakeWriter(std::function<void(std::string_view)> sink, std::function<bool()> failing)
        : sink_(std::move(sink)), failing_(std::move(failing)) {}
    void writeLine(std::string_view text) override {
        if (failing_()) fail::raise(fail::kDiskFull);
        sink_(text);
    }
    void close() override {}

private:
    std::function<void(std::string_view)> sink_;
    std::function<bool()> failing_;
};

}  // namespace

void FakeUi::messageBox(const std::string& prompt, int style, const std::string& title) {
    messages.push_back({prompt, style, title});
    if (onMessage) onMessage(messages.back());
}

bool FakeUi::onboardTicked(platform::OnboardBox box) {
    switch (box) {
    case platform::OnboardBox::Vga: return vga;
    case platform::OnboardBox::Audio: return audio;
    case platform::OnboardBox::Lan: return lan;
    }
    return false;
}

std::vector<std::string> prompts(const std::vector<Message>& messages) {
    std::vector<std::string> out;
    for (const auto& m : messages) out.push_back(m.prompt);
    return out;
}

MemoryFiles::File& MemoryFiles::add(const std::string& path, std::string content, int attributes) {
    return files_[key(path)] = File{std::move(content), attributes};
}

MemoryFiles::File* MemoryFiles::find(const std::string& path) {
    auto it = files_.find(key(path));
    return it == files_.end() ? nullptr : &it->second;
}

const std::string& MemoryFiles::content(const std::string& path) {
    static const std::string empty;
    File* f = find(path);
    return f ? f->content : empty;
}

bool MemoryFiles::fileExists(const std::string& path) { return find(path) != nullptr; }

std::unique_ptr<platform::TextWriter> MemoryFiles::openForWriting(const std::string& path) {
    File* f = find(path);
    if (f && (f->locked || (f->attributes & platform::kAttrReadOnly))) fail::raise(fail::kPermissionDenied);
    if (!f) f = &add(path);
    f->content.clear();
    return std::make_unique<FakeWriter>(
        [content = &f->content](std::string_view text) { (*content += text) += "\r\n"; },
        [this] { return failWrites; });
}

std::unique_ptr<platform::TextWriter> MemoryFiles::createTextFile(const std::string& path) {
    return openForWriting(path);
}

std::string MemoryFiles::lookup(const std::string& path, int attributes) {
    File* f = find(path);
    if (!f) return "";
    const int special = f->attributes & (platform::kAttrHidden | platform::kAttrSystem | platform::kAttrDirectory);
    return special & ~attributes ? "" : baseName(path);
}

void MemoryFiles::setAttributes(const std::string& path, int attributes) {
    File* f = find(path);
    if (!f) fail::raise(fail::kFileNotFound);
    f->attributes = attributes;
}

std::unique_ptr<platform::LineReader> MemoryFiles::openForInput(const std::string& path) {
    File* f = find(path);
    if (!f) fail::raise(fail::kFileNotFound);
    if (f->locked) fail::raise(fail::kPermissionDenied);
    return std::make_unique<platform::BufferLineReader>(f->content);
}

std::optional<std::string> MemoryFiles::environment(const std::string& name) {
    const auto it = env.find(name);
    return it == env.end() ? std::nullopt : std::optional(it->second);
}

std::intptr_t FakeShell::execute(std::uintptr_t owner, const std::string& verb, const std::string& file,
                                 const std::string& parameters, const std::string& directory, int show) {
    executed.push_back({owner, verb, file, parameters, directory, show});
    return 42;
}

void FakeShell::launch(const std::string& path) {
    if (failLaunch) fail::raise(fail::kFileNotFound);
    launched.push_back(path);
}

std::string FakeShell::firstMatch(const std::string& path) {
    for (const auto& e : existing)
        if (key(e) == key(path)) return baseName(e);
    return "";
}

// The program-wide report state as at start.
static void clearReportState() {
    report::gStrFileName.clear();
    report::gStrComment.clear();
    report::gObjFso = nullptr;
}

PlatformScope::PlatformScope() { clearReportState(); }
PlatformScope::~PlatformScope() { clearReportState(); }

MemoryStream::MemoryStream(platform::Platform& platform)
    : lines(std::make_shared<std::vector<std::string>>()),
      failing(std::make_shared<bool>(false)),
      run(platform.binder),
      stream(run, platform,
             std::make_unique<FakeWriter>([lines = lines](std::string_view text) { lines->emplace_back(text); },
                                          [failing = failing] { return *failing; })) {}

std::vector<std::string> runSection(platform::Platform& platform, void (*write)(report::ReportStream&),
                                    Failure* pending) {
    MemoryStream m(platform);
    write(m.stream);
    if (pending) *pending = m.run.trap.pending();
    return *m.lines;
}

std::vector<std::string> section(std::string_view title, const std::vector<std::pair<std::string, std::string>>& rows) {
    std::vector<std::string> out{
        "<table border='0' cellpadding='2' cellspacing='0' style='border-collapse:collapse'>",
        "<tr><td bgcolor='#29A9A9' class='td1'><strong>&nbsp;" + std::string(title) + "</strong></td></tr>"};
    for (const auto& [label, value] : rows)
        out.push_back("<tr><td width='150' bgcolor='#E0F3F3' class='td1'>" + label +
                      "</td><td width='550' bgcolor='#E0F3F3' class='td1'>" + value + "</td></tr>");
    out.push_back("</table><br>");
    return out;
}

}  // namespace tq::testing
