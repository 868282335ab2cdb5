#include "tests/support/fakes.h"

#include <algorithm>

#include "platform/linereader.h"
#include "report/main.h"
#include "wmi/failure.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"
#include "wmi/trap.h"

namespace tq::testing {
namespace {

std::string key(const std::string& path) {
    std::string k = path;
    for (char& c : k) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '/') c = '\\';
    }
    return k;
}

class StringWriter final : public platform::TextWriter {
public:
    StringWriter(std::string* sink, const bool* failing) : sink_(sink), failing_(failing) {}
    void writeLine(std::string_view text) override {
        if (*failing_) fail::raise(fail::kDiskFull);
        sink_->append(text);
        sink_->append("\r\n");
    }
    void close() override {}

private:
    std::string* sink_;
    const bool* failing_;
};

class VectorWriter final : public platform::TextWriter {
public:
    VectorWriter(std::shared_ptr<std::vector<std::string>> lines, std::shared_ptr<bool> failing)
        : lines_(std::move(lines)), failing_(std::move(failing)) {}
    void writeLine(std::string_view text) override {
        if (*failing_) fail::raise(fail::kDiskFull);
        lines_->emplace_back(text);
    }
    void close() override {}

private:
    std::shared_ptr<std::vector<std::string>> lines_;
    std::shared_ptr<bool> failing_;
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
    File& f = files_[key(path)];
    f.content = std::move(content);
    f.attributes = attributes;
    return f;
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
    return std::make_unique<StringWriter>(&f->content, &failWrites);
}

std::unique_ptr<platform::TextWriter> MemoryFiles::createTextFile(const std::string& path) {
    return openForWriting(path);
}

std::string MemoryFiles::lookup(const std::string& path, int attributes) {
    File* f = find(path);
    if (!f) return "";
    const int special = f->attributes & (platform::kAttrHidden | platform::kAttrSystem | platform::kAttrDirectory);
    if (special & ~attributes) return "";
    auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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
    auto it = env.find(name);
    if (it == env.end()) return std::nullopt;
    return it->second;
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
        if (key(e) == key(path)) {
            auto slash = e.find_last_of('\\');
            return slash == std::string::npos ? e : e.substr(slash + 1);
        }
    return "";
}

PlatformScope::PlatformScope() : saved_(platform::current()) {
    platform::current() = platform::Platform{&files, &shell, saved_.registry, &platform::usEnglishLocale(), &ui,
                                                   saved_.binder};
    report::gStrFileName.clear();
    report::gStrComment.clear();
    report::gObjFso = nullptr;
}

PlatformScope::~PlatformScope() {
    platform::current() = saved_;
    platform::current().binder = nullptr;
    report::gStrFileName.clear();
    report::gStrComment.clear();
    report::gObjFso = nullptr;
}

RepositoryScope::RepositoryScope(std::string_view json) {
    platform::current().binder = wmi::makeBinder(wmi::parseSnapshot(json, "test snapshot"));
}

RepositoryScope::~RepositoryScope() { platform::current().binder = nullptr; }

MemoryStream::MemoryStream()
    : lines(std::make_shared<std::vector<std::string>>()),
      failing(std::make_shared<bool>(false)),
      run(platform::current().binder),
      stream(run, std::make_unique<VectorWriter>(lines, failing)) {}

std::vector<std::string> runSection(void (*write)(report::ReportStream&), Failure* pending) {
    MemoryStream m;
    write(m.stream);
    if (pending) *pending = m.run.trap.pending();
    return *m.lines;
}

std::vector<std::string> reportHead(std::string_view title, std::string_view designation) {
    return {
        "<html><head>",
        "<title>" + std::string(title) + "</title>",
        "<!-- Version 4.0 -->",
        "<style type='text/css'>",
        "<!--",
        "body {  background-color: #FFFFFF;}",
        "td {font-family: Arial;     font-size: 11px; }",
        ".td1   { font-family: Arial;     font-size: 11px;  border: 1px solid #666666; }",
        "-->",
        "</style>",
        "</head>",
        "<body topmargin='0' leftmargin='0'>",
        "",
        "<table width='710' border='0' cellspacing='0' cellpadding='0'>",
        "<tr><td width='10' bgcolor='C3DADA'>&nbsp;</td>",
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line, split in two
        "<td bgcolor='C3DADA' height='50'><font face='Arial' color='666666' size='4'><strong>TALLYQUEST "
        "Result</strong></font>",
        "<td bgcolor='C3DADA' align='right'><font face='Arial' color='666666' "
        "size='4'><strong>VALDREMONT&nbsp;&nbsp;</strong></font></td>",
        "<td width='10' bgcolor='C3DADA'>&nbsp;</td>",
        "</tr>",
        "<tr><td>&nbsp;</td><td colspan='3'>&nbsp;</td></tr>",
        "<tr><td>&nbsp;</td><td colspan='3'><font size='4'>Designation: " + std::string(designation) +
            "</font></td></tr>",
    };
}

std::string headLine1() {
    return "<table border='0' cellpadding='2' cellspacing='0' style='border-collapse:collapse'>";
}
std::string headLine2(std::string_view title) {
    return "<tr><td bgcolor='#29A9A9' class='td1'><strong>&nbsp;" + std::string(title) + "</strong></td></tr>";
}
std::string rowLine(std::string_view label, std::string_view value) {
    return "<tr><td width='150' bgcolor='#E0F3F3' class='td1'>" + std::string(label) +
           "</td><td width='550' bgcolor='#E0F3F3' class='td1'>" + std::string(value) + "</td></tr>";
}
std::string footerLine() { return "</table><br>"; }

std::vector<std::string> section(std::string_view title,
                                 const std::vector<std::pair<std::string, std::string>>& rows) {
    std::vector<std::string> out{headLine1(), headLine2(title)};
    for (const auto& [l, v] : rows) out.push_back(rowLine(l, v));
    out.push_back(footerLine());
    return out;
}

}  // namespace tq::testing
