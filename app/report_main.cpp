// tallyquest-report: the report run without windows, for automation, tests
// and support.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cli_ui.h"
#include "app/ocs_send.h"
#include "platform/install.h"
#include "platform/quietshell.h"
#include "platform/seams.h"
#include "platform/statefile.h"
#include "platform/wmitrace.h"
#include "report/main.h"
#include "wmi/repository.h"
#include "wmi/run.h"
#include "wmi/snapshot.h"
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

const char* const kUsageText =
    "usage: tallyquest-report [options] DESIGNATION\n"
    "Writes the inventory of this machine as the report DESIGNATION.htm.\n"
    "\n"
    "options:\n"
    "  --folder DIR          where the report goes (default: the program's folder,\n"
    "                        or the current folder when the program is installed)\n"
    "  --snapshot FILE       answer the management queries from a snapshot\n"
#if !defined(_WIN32)
    "  --root DIR            read the machine below DIR instead of /\n"
    "  --drive-c DIR         the folder that stands for drive C: (default /)\n"
#endif
    "  --comment TEXT        the comment for the report head\n"
    "  --onboard LIST        on-board devices to report: vga,audio,lan or none\n"
    "                        (default: lan, plus vga and audio when the board has them)\n"
    "  --open                open the finished report in the default viewer\n"
    "  --dump-snapshot FILE  write every object the program reads as a snapshot\n"
    "  --trace-wmi FILE      append a line per management query to FILE (time,\n"
    "                        objects or failure, query); also TALLYQUEST_TRACE_WMI\n"
    "  --server URL          then send the inventory to an OCS Inventory NG server\n"
    "                        (for example http://inventory.example/ocsinventory)\n"
    "  --tag TEXT            the inventory's TAG (default: the designation)\n"
    "  --ocs-file FILE       then write the inventory XML to FILE (for the server's injector)\n"
    "  --glpi-file FILE      then write the inventory in GLPI's JSON format to FILE\n"
    "  --timeout SECONDS     how long to wait for the server (default 30)\n"
    "  --proxy URL|none      the proxy to the server, or none for a direct connection\n"
    "                        (default: http_proxy and the like; on Windows the system's)\n"
    "  --help                print this help\n"
    "  --version             print the program's version\n"
    "\n"
    "exit status:\n"
    "  0   the report is saved\n"
    "  1   the run ended with an error message; the report is kept as far as written\n"
    "  2   the report file could not be created\n"
    "  3   the inventory could not be sent; the report is kept\n"
    "  64  usage error, or a snapshot that was refused\n"
    "\n"
    "example:\n"
#if defined(_WIN32)
    "  tallyquest-report --folder C:\\Reports --comment \"Desk 4\" \"PC 01\"\n";
#else
    "  tallyquest-report --folder ~/reports --comment \"Desk 4\" \"PC 01\"\n";
#endif

int usage(const std::string& why) {
    std::fprintf(stderr, "tallyquest-report: %s\n%s", tq::app::oneLine(why).c_str(), kUsageText);
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

struct Onboard {
    bool vga = false, audio = false, lan = true;
};

// As the main window ticks the boxes when it opens: LAN always, graphics
// and audio when the board reports on-board video (3) or sound (7).
Onboard detectOnboard() {
    using namespace tq;
    Onboard o;
    trap::on();
    wmi::ServicePtr service;
    wmi::CollectionPtr devices;
    trap::step([&] { service = wmi::bind(wmi::kMoniker); });
    trap::step([&] { devices = wmi::execQuery(service, "Select * from Win32_OnBoardDevice"); });
    wmi::walk(devices, [&](const wmi::Object& d) {
        const Value& type = d["DeviceType"];
        if (!type.isInteger()) return;
        if (type.rawInteger() == 3) o.vga = true;
        if (type.rawInteger() == 7) o.audio = true;
    });
    trap::clear();
    return o;
}

bool parseOnboard(const std::string& list, Onboard& o) {
    o = Onboard{false, false, false};
    if (list == "none") return true;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item == "vga") o.vga = true;
        else if (item == "audio") o.audio = true;
        else if (item == "lan") o.lan = true;
        else return false;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

}  // namespace

static int runProgram(std::vector<std::string> args) {
    using namespace tq;
    std::string folder, snapshot, root, driveC, comment, onboardList, dumpFile, designation;
    std::string traceFile = platform::wmiTraceVariable();
    bool haveDesignation = false, open = false, haveComment = false, haveOnboard = false;
    app::OcsOptions ocsOptions;
    std::string ocsError;

    std::vector<std::string> emptyGiven;  // options given an empty value
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            if (out.empty() && (a == "--folder" || a == "--snapshot" || a == "--root")) emptyGiven.push_back(a);
            return true;
        };
        if (a == "--folder") { if (!value(folder)) return usage("--folder needs a folder"); }
        else if (a == "--snapshot") { if (!value(snapshot)) return usage("--snapshot needs a file"); }
        else if (kMachineBelowFolder && a == "--root") { if (!value(root)) return usage("--root needs a folder"); }
        else if (kMachineBelowFolder && a == "--drive-c") { if (!value(driveC)) return usage("--drive-c needs a folder"); }
        else if (a == "--comment") { if (!value(comment)) return usage("--comment needs a text"); haveComment = true; }
        else if (a == "--onboard") { if (!value(onboardList)) return usage("--onboard needs a list"); haveOnboard = true; }
        else if (a == "--dump-snapshot") { if (!value(dumpFile)) return usage("--dump-snapshot needs a file"); }
        else if (a == "--trace-wmi") { if (!value(traceFile) || traceFile.empty()) return usage("--trace-wmi needs a file"); }
        else if (a == "--open") open = true;
        else if (a == "--help" || a == "-h") { std::fputs(kUsageText, stdout); return 0; }
        else if (a == "--version") { std::printf("tallyquest-report %s\n", TQ_VERSION); return 0; }
        else if (a == "--") { if (i + 1 < args.size()) { designation = args[++i]; haveDesignation = true; } }
        else if (app::parseOcsOption(args, i, ocsOptions, ocsError)) { if (!ocsError.empty()) return usage(ocsError); }
        else if (a.size() > 1 && a[0] == '-' && a[1] == '-') return usage("unknown option " + a);
        else if (!haveDesignation) { designation = a; haveDesignation = true; }
        else return usage("more than one designation");
    }
    if (!haveDesignation && dumpFile.empty()) return usage("no designation");
    if (haveDesignation) {
        if (designation.empty()) return usage("the designation is empty");
        if (designation.find_first_of("\\/:*?<>|\"") != std::string::npos)
            return usage("the designation may not hold any of \\ / : * ? < > | \"");
    }
    if (const std::string why = app::checkOcsOptions(ocsOptions); !why.empty()) return usage(why);
    if (ocsOptions.wanted() && !haveDesignation) return usage("--server, --ocs-file and --glpi-file need a designation");
    Onboard onboard;
    if (haveOnboard && !parseOnboard(onboardList, onboard)) return usage("bad --onboard list " + onboardList);
    // Given but empty is a mistake, not a request for the default.
    if (!emptyGiven.empty()) return usage(emptyGiven.front() + " may not be empty");
    if (!root.empty() && !isFolder(root))
        return usage("--root " + root + (pathExists(root) ? ": is not a folder" : ": no such folder"));

    // An installed program's folder (/usr/bin) takes no reports: they go to
    // the current folder. Run from a build or a folder of its own, the
    // report lands beside the program.
    if (folder.empty() && !platform::fitForUserFiles(platform::programFolder())) folder.assign(1, '.');
    platform::InstallOptions options;
    options.driveC = driveC.empty() ? "" : absolute(driveC);
    options.applicationFolder = folder.empty() ? "" : absolute(folder);
    options.root = root.empty() ? "" : absolute(root);
    platform::installPlatform(options);

    if (!snapshot.empty()) {
        try {
            wmi::setBinder(wmi::makeBinder(wmi::loadSnapshot(snapshot)));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tallyquest-report: %s\n", app::oneLine(e.what()).c_str());
            return kUsage;
        }
    } else {
        wmi::setBinder(platform::platformBinder(options));
    }

    // A trace that cannot be kept is worth a line, not the run.
    if (!traceFile.empty())
        if (const std::string why = platform::startWmiTrace(traceFile); !why.empty())
            std::fprintf(stderr, "tallyquest-report: no trace of the queries: %s\n", app::oneLine(why).c_str());

    // The whole program is one run: one connection, each query once.
    wmi::RunScope run;
    if (!dumpFile.empty()) {
        try {
            wmi::ServicePtr service = wmi::bind(wmi::kMoniker);
            // Written whole beside the target and renamed over it: an earlier
            // file survives a failed dump, and a link at the name is refused.
            platform::replaceFile(dumpFile, wmi::dumpSnapshot(*service));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tallyquest-report: %s\n", app::oneLine(e.what()).c_str());
            return kFinalError;
        }
        if (!haveDesignation) return 0;
    }

    // What the report-name dialog's OK does: store the name, create the
    // empty file (a failure is not fatal here), start the run. A name that
    // cannot be created is known now, before anything is read.
    report::gStrFileName = designation + ".htm";
    Failure notCreated;
    if (!trap::step([&] { platform::files().createTextFile(report::reportPath())->close(); }))
        notCreated = trap::pending();

    if (!haveOnboard && notCreated.number == 0) onboard = detectOnboard();
    app::CliUi ui(onboard.vga, onboard.audio, onboard.lan);
    platform::current().ui = &ui;
    platform::QuietShell quiet(*platform::current().shell);
    if (!open) platform::current().shell = &quiet;

    if (haveComment) report::gStrComment = report::EncodeUmlauts(comment);

    report::RunReport();

    // The inventory goes out only after a report that was saved.
    if (ocsOptions.wanted() && ui.mainClosed()) {
        for (const std::string& m : ui.messages())
            if (m.rfind("The file is saved on ", 0) == 0) return app::sendInventory(ocsOptions, designation);
    }

    if (!ui.mainClosed()) {
        // After "Could not create the file...": where, and the system's reason.
        std::fprintf(stderr, "tallyquest-report: cannot create %s: %s\n",
                     app::oneLine(platform::files().displayPath(report::reportPath())).c_str(),
                     app::oneLine(notCreated.description.empty() ? "not created" : notCreated.description).c_str());
        return kNotCreated;
    }
    for (const std::string& m : ui.messages())
        if (m.rfind("The file is saved on ", 0) == 0) return kSaved;
    return kFinalError;
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
