// tallyquest-report: the report run without windows, for automation, tests
// and support.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli_ui.h"
#include "app/options.h"
#include "app/output.h"
#include "app/sanitize.h"
#include "app/ocs_send.h"
#include "platform/install.h"
#include "platform/quietshell.h"
#include "platform/seams.h"
#include "platform/statefile.h"
#include "platform/wmitrace.h"
#include "probes/reportrun.h"
#include "report/main.h"
#include "wmi/repository.h"
#include "wmi/run.h"
#include "wmi/snapshot.h"
#include "wmi/trace.h"
#include "wmi/trap.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include "platform/windows/text.h"
#else
#include <limits.h>
#include <stdlib.h>
#endif

namespace {

constexpr int kSaved = 0;
constexpr int kFinalError = 1;
constexpr int kNotCreated = 2;
constexpr int kUsage = 64;

// Reading a recorded tree and standing in a folder for drive C: are the
// Linux provider's; on Windows they are unknown options.
#if defined(_WIN32)
constexpr bool kMachineBelowFolder = false;
#else
constexpr bool kMachineBelowFolder = true;
#endif

int usage(const std::string& why) {
    std::fprintf(stderr, "tallyquest-report: %s\nTry 'tallyquest-report --help' for more information.\n",
                 tq::app::oneLine(why).c_str());
    return kUsage;
}

std::string absolute(const std::string& p) {
#if defined(_WIN32)
    // Made full in the wide form: a folder may hold any character.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(tq::win::widen(p), ec);
    return ec ? p : tq::win::narrow(full.native());
#else
    char buf[PATH_MAX];
    if (::realpath(p.c_str(), buf)) return buf;
    return p;
#endif
}

bool isFolder(const std::string& p) {
    std::error_code ec;
    return std::filesystem::is_directory(p, ec);
}
bool pathExists(const std::string& p) {
    std::error_code ec;
    return std::filesystem::exists(p, ec);
}

// As the main window ticks the boxes when it opens: LAN always, graphics
// and audio when the board reports on-board video (3) or sound (7).
tq::app::Onboard detectOnboard(tq::wmi::Run& run) {
    using namespace tq;
    app::Onboard o;
    trap::Trap t;  // what fails here leaves the boxes clear, unreported
    wmi::ServicePtr service;
    wmi::CollectionPtr devices;
    t.step([&] { service = run.bind(wmi::kMoniker); });
    t.step([&] { devices = wmi::execQuery(service, "Select * from Win32_OnBoardDevice"); });
    wmi::walk(t, devices, [&](const wmi::Object& d) {
        const Value& type = d["DeviceType"];
        if (!type.isInteger()) return;
        if (type.rawInteger() == 3) o.vga = true;
        if (type.rawInteger() == 7) o.audio = true;
    });
    return o;
}

// A report bound for --output is made in a folder of its own, removed at
// the end, and then written where --output says.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec) return;
        std::random_device random;
        for (int tries = 0; tries < 100 && path_.empty(); ++tries) {
            const auto candidate = base / ("tallyquest-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate, ec)) {
                std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::replace, ec);
                path_ = candidate;
            }
        }
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Paths as the seams take them: UTF-8 on every platform.
std::string utf8(const std::filesystem::path& p) {
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}
std::filesystem::path fromUtf8(const std::string& s) {
    return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

std::string readWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in.good() && !in.eof()) throw std::runtime_error("cannot read the report just made");
    return bytes.str();
}

// The shell that --open uses, noting whether the viewer could be started.
class NotingShell final : public tq::platform::Shell {
public:
    explicit NotingShell(tq::platform::Shell& inner) : inner_(inner) {}
    std::intptr_t execute(std::uintptr_t owner, const std::string& verb, const std::string& file,
                          const std::string& parameters, const std::string& folder, int show) override {
        result_ = inner_.execute(owner, verb, file, parameters, folder, show);
        return result_;
    }
    void launch(const std::string& path) override { inner_.launch(path); }
    std::string firstMatch(const std::string& path) override { return inner_.firstMatch(path); }
    // What the platform returns: above 32 when the viewer was started.
    std::intptr_t result() const { return result_; }

private:
    tq::platform::Shell& inner_;
    std::intptr_t result_ = 42;
};

// What the machine's own source could not read for this user, said once.
void sayLimits(const tq::platform::ReadingLimits& limits, bool quiet) {
    if (quiet) return;
    if (const std::string note = limits.sentence(); !note.empty())
        std::fprintf(stderr, "tallyquest-report: %s\n", tq::app::oneLine(note).c_str());
}

}  // namespace

static int runProgram(std::vector<std::string> args) {
    using namespace tq;
    const app::ParsedCommandLine parsed =
        app::parseCommandLine(std::move(args), platform::wmiTraceVariable(), kMachineBelowFolder);
    switch (parsed.action) {
    case app::ParsedCommandLine::Action::Help: std::fputs(app::helpText(), stdout); return 0;
    case app::ParsedCommandLine::Action::Version: std::printf("tallyquest-report %s\n", TQ_VERSION); return 0;
    case app::ParsedCommandLine::Action::Usage: return usage(parsed.error);
    case app::ParsedCommandLine::Action::Run: break;
    }
    const app::ReportOptions& o = parsed.options;
    if (!o.root.empty() && !isFolder(o.root))
        return usage("--root " + o.root + (pathExists(o.root) ? ": is not a folder" : ": no such folder"));

    std::optional<ScratchFolder> scratch;
    std::string folder = o.folder;
    if (o.writeReport && !o.output.empty()) {
        scratch.emplace();
        if (scratch->path().empty()) {
            std::fprintf(stderr, "tallyquest-report: cannot create %s: no private folder to make the report in\n",
                         app::oneLine(o.output).c_str());
            return kNotCreated;
        }
        folder = utf8(scratch->path());
    }
    // An installed program's folder (/usr/bin) takes no reports: they go to
    // the current folder. Run from a build or a folder of its own, the
    // report lands beside the program.
    if (folder.empty() && !platform::fitForUserFiles(platform::programFolder())) folder.assign(1, '.');
    platform::InstallOptions options;
    options.driveC = o.driveC.empty() ? "" : absolute(o.driveC);
    options.applicationFolder = folder.empty() ? "" : absolute(folder);
    options.root = o.root.empty() ? "" : absolute(o.root);
    options.limits = std::make_shared<platform::ReadingLimits>();
    platform::Platform platform;
    const auto seams = platform::installPlatform(platform, options);

    wmi::Binder binder;
    if (!o.snapshot.empty()) {
        try {
            binder = wmi::makeBinder(wmi::loadSnapshot(o.snapshot));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tallyquest-report: %s\n", app::oneLine(e.what()).c_str());
            return kUsage;
        }
    }
    // The trace of what the run asks, and of the faults the machine's own
    // source survives; a trace that cannot be kept is worth a line, not the run.
    wmi::TraceSink trace;
    const std::string noTrace = o.traceFile.empty() ? "" : platform::startWmiTrace(o.traceFile, trace);
    if (o.snapshot.empty()) {
        options.trace = trace;
        binder = platform::platformBinder(options);
    }
    platform.binder = wmi::traced(o.sanitize ? app::sanitizingBinder(std::move(binder)) : std::move(binder), trace);
    if (!noTrace.empty())
        std::fprintf(stderr, "tallyquest-report: no trace of the queries: %s\n", app::oneLine(noTrace).c_str());

    app::OcsOptions ocsOptions = o.ocs;
    ocsOptions.quiet = o.quiet;
    ocsOptions.stdoutTaken = app::isStandardOutput(o.output) || app::isStandardOutput(o.ocs.file) ||
                             app::isStandardOutput(o.ocs.glpiFile) || app::isStandardOutput(o.dumpFile);

    // The whole program is one run: one connection, each query once.
    wmi::Run run(platform.binder);
    run.decimalSeparator = platform.locale->decimalSeparator();
    if (!o.dumpFile.empty()) {
        try {
            wmi::ServicePtr service = run.bind(wmi::kMoniker);
            // A file is written whole beside the target and renamed over it:
            // an earlier file survives a failed dump, and a link at the name
            // is refused.
            app::writeOutput(o.dumpFile, wmi::dumpSnapshot(*service));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tallyquest-report: %s\n", app::oneLine(e.what()).c_str());
            return kFinalError;
        }
        if (!o.haveDesignation) return sayLimits(*options.limits, o.quiet), kSaved;
    }
    if (!o.writeReport) {
        const int status = ocsOptions.wanted() ? app::sendInventory(run, ocsOptions, o.designation) : kSaved;
        sayLimits(*options.limits, o.quiet);
        return status;
    }

    // What the report-name dialog's OK does: store the name, create the
    // empty file (a failure is not fatal here), start the run. A name that
    // cannot be created is known now, before anything is read.
    report::gStrFileName = o.designation + ".htm";
    Failure notCreated;
    trap::Trap t;
    if (!t.step([&] { platform.files->createTextFile(report::reportPath(*platform.files))->close(); }))
        notCreated = t.pending();

    const app::Onboard onboard = o.haveOnboard || notCreated.number != 0 ? o.onboard : detectOnboard(run);
    app::CliUi ui(onboard.vga, onboard.audio, onboard.lan);
    ui.setQuiet(o.quiet);
    ui.setKeepSavedLine(scratch.has_value());
    platform.ui = &ui;
    platform::QuietShell quiet(*platform.shell);
    NotingShell noting(*platform.shell);
    platform.shell = o.open ? static_cast<platform::Shell*>(&noting) : &quiet;

    if (o.haveComment) {
        std::string comment = o.comment;
        report::gStrComment = report::EncodeUmlauts(comment);
    }

    const probes::RunOutcome outcome = probes::RunReport(platform, run);

    if (outcome == probes::RunOutcome::NotCreated) {
        // After "Could not create the file...": where, and the system's reason.
        std::fprintf(
            stderr, "tallyquest-report: cannot create %s: %s\n",
            app::oneLine(scratch ? o.output : platform.files->displayPath(report::reportPath(*platform.files))).c_str(),
            app::oneLine(notCreated.description.empty() ? "not created" : notCreated.description).c_str());
        return kNotCreated;
    }
    const bool saved = outcome == probes::RunOutcome::Saved;
    if (saved && noting.result() <= 32)
        std::fprintf(stderr, "tallyquest-report: cannot open the report: %s\n",
#if defined(_WIN32)
                     "no program is associated with .htm files");
#else
                     "xdg-open could not be started (install xdg-utils)");
#endif
    sayLimits(*options.limits, o.quiet);
    if (!saved) return kFinalError;

    if (scratch) {
        try {
            app::writeOutput(o.output, readWhole(scratch->path() / fromUtf8(report::gStrFileName)));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tallyquest-report: %s\n", app::oneLine(e.what()).c_str());
            return kNotCreated;
        }
        if (!o.quiet && !app::isStream(o.output))
            std::fprintf(stderr, "The file is saved on %s\n", app::oneLine(absolute(o.output)).c_str());
    }
    // The inventory goes out only after a report that was saved.
    return ocsOptions.wanted() ? app::sendInventory(run, ocsOptions, o.designation) : kSaved;
}

#if defined(_WIN32)
// Windows hands the arguments over as UTF-16 (a "main" would get them in the
// ANSI code page, which holds few of the world's letters); the program works
// in UTF-8 and prints UTF-8, so a console shows it in that code page while
// the program runs.
int wmain(int argc, wchar_t** argv) {
    static const UINT consolePage = ::GetConsoleOutputCP();
    if (consolePage != CP_UTF8 && _isatty(_fileno(stderr)) && ::SetConsoleOutputCP(CP_UTF8))
        std::atexit([] { ::SetConsoleOutputCP(consolePage); });
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(tq::win::narrow(argv[i]));
    return runProgram(std::move(args));
}
#else
int main(int argc, char** argv) { return runProgram({argv + 1, argv + argc}); }
#endif
