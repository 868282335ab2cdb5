#include "app/options.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tq::app {

namespace {

const char* const kHelpText =
    "usage: tallyquest-report [options] [--] DESIGNATION\n"
    "Writes the inventory of this machine as the report DESIGNATION.htm.\n"
    "\n"
    "options (a value follows as the next word or after \"=\"):\n"
    "  --folder DIR          where the report goes (default: the program's folder,\n"
    "                        or the current folder when the program is installed)\n"
    "  --output FILE|-       write the report to FILE instead (- for standard output;\n"
    "                        a FIFO or a terminal is written to as a stream)\n"
    "  --snapshot FILE       answer the management queries from a snapshot\n"
#if !defined(_WIN32)
    "  --root DIR            read the machine below DIR instead of /\n"
    "  --drive-c DIR         the folder that stands for drive C: (default /)\n"
#endif
    "  --comment TEXT        the comment for the report head\n"
    "  --onboard LIST        on-board devices to report: vga,audio,lan or none\n"
    "                        (default: lan, plus vga and audio when the board has them)\n"
    "  --open                open the finished report in the default viewer\n"
    "  --dump-snapshot FILE|-\n"
    "                        write every object the program reads as a snapshot\n"
    "  --trace-wmi FILE      append a line per management query to FILE (time,\n"
    "                        objects or failure, query); also TALLYQUEST_TRACE_WMI\n"
    "  --sanitize            leave serial numbers, MAC and IP addresses, user names\n"
    "                        and the UUID out of everything written\n"
    "  --server URL          then send the inventory to an OCS Inventory NG server\n"
    "                        (for example http://inventory.example/ocsinventory)\n"
    "  --tag TEXT            the inventory's TAG (default: the designation)\n"
    "  --ocs-file FILE|-     then write the inventory XML to FILE (for the server's injector)\n"
    "  --glpi-file FILE|-    then write the inventory in GLPI's JSON format to FILE\n"
    "  --timeout SECONDS     how long the exchange with the server may take (default 30)\n"
#if defined(_WIN32)
    "  --proxy URL|none      the proxy to the server, or none for a direct connection\n"
    "                        (default: the system's WinHTTP proxy)\n"
#else
    "  --proxy URL|none      the proxy to the server, or none for a direct connection\n"
    "                        (default: http_proxy, https_proxy, all_proxy, no_proxy)\n"
#endif
    "  -q, --quiet           no progress and no closing message; errors only\n"
#if defined(_WIN32)
    "  -h, --help, /?        print this help\n"
#else
    "  -h, --help            print this help\n"
#endif
    "  -V, --version         print the program's version\n"
    "\n"
    "A FILE of - is standard output; with an inventory or a dump there, the HTML\n"
    "report is written only when --output or --folder asks for it. A designation\n"
    "that begins with - follows --.\n"
#if !defined(_WIN32)
    "Run by a user other than root, the firmware table cannot be read: the report\n"
    "then lacks what only it holds (memory modules, when udev has not recorded them,\n"
    "slots, serial numbers), and one line on standard error says so.\n"
#endif
    "\n"
    "exit status:\n"
    "  0   the report is saved (without a report: the inventory or dump is written)\n"
    "  1   the run ended with an error message; the report is kept as far as written\n"
    "  2   the report file could not be created or written\n"
    "  3   the report is saved, but the inventory could not be sent, or --ocs-file\n"
    "      or --glpi-file could not be written\n"
    "  64  usage error, or a snapshot that was refused\n"
    "\n"
    "examples:\n"
#if defined(_WIN32)
    "  tallyquest-report --folder C:\\Reports --comment \"Desk 4\" \"PC 01\"\n"
    "  tallyquest-report --glpi-file - \"PC 01\" > pc01.json\n";
#else
    "  tallyquest-report --folder ~/reports --comment \"Desk 4\" \"PC 01\"\n"
    "  ssh pc sudo tallyquest-report --glpi-file - PC-01 | jq .content.bios\n";
#endif

// clang-format off
enum class Id {
    Folder, Output, Snapshot, Root, DriveC, Comment, Onboard, Open, Dump, Trace, Sanitize, Quiet, Help, Version, Ocs
};
// clang-format on

struct OptionDef {
    std::string_view name;
    Id id;
    bool value;
};

constexpr std::array kOptions{
    OptionDef{"--folder", Id::Folder, true},      OptionDef{"--output", Id::Output, true},
    OptionDef{"--snapshot", Id::Snapshot, true},  OptionDef{"--root", Id::Root, true},
    OptionDef{"--drive-c", Id::DriveC, true},     OptionDef{"--comment", Id::Comment, true},
    OptionDef{"--onboard", Id::Onboard, true},    OptionDef{"--open", Id::Open, false},
    OptionDef{"--dump-snapshot", Id::Dump, true}, OptionDef{"--trace-wmi", Id::Trace, true},
    OptionDef{"--sanitize", Id::Sanitize, false}, OptionDef{"--quiet", Id::Quiet, false},
    OptionDef{"--help", Id::Help, false},         OptionDef{"--version", Id::Version, false},
    OptionDef{"--server", Id::Ocs, true},         OptionDef{"--tag", Id::Ocs, true},
    OptionDef{"--ocs-file", Id::Ocs, true},       OptionDef{"--glpi-file", Id::Ocs, true},
    OptionDef{"--timeout", Id::Ocs, true},        OptionDef{"--proxy", Id::Ocs, true},
};

bool parseOnboard(const std::string& list, Onboard& o) {
    o = Onboard{false, false, false};
    if (list == "none") return true;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item == "vga") o.vga = true;
        else if (item == "audio") o.audio = true;
        else if (item == "lan") o.lan = true;
        else return false;
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

ParsedCommandLine usage(std::string why) {
    ParsedCommandLine p;
    p.action = ParsedCommandLine::Action::Usage;
    p.error = std::move(why);
    return p;
}

}  // namespace

const char* helpText() { return kHelpText; }

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args, const std::string& traceDefault,
                                   bool belowFolder) {
    ParsedCommandLine parsed;
    ReportOptions& o = parsed.options;
    o.traceFile = traceDefault;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    std::string onboardList;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || (a[0] != '-' && a != "/?")) {
            operands.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
#if defined(_WIN32)
        if (a == "/?") {
            parsed.action = ParsedCommandLine::Action::Help;
            return parsed;
        }
#endif
        if (a[1] != '-') {
            // Short options, which may be grouped (-qV).
            for (std::size_t k = 1; k < a.size(); ++k) {
                if (a[k] == 'h' || a[k] == '?') parsed.action = ParsedCommandLine::Action::Help;
                else if (a[k] == 'V') parsed.action = ParsedCommandLine::Action::Version;
                else if (a[k] == 'q') o.quiet = true;
                else return usage(std::string("unknown option -") + a[k]);
                if (parsed.action != ParsedCommandLine::Action::Run) return parsed;
            }
            continue;
        }
        const std::size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const auto known = std::find_if(kOptions.begin(), kOptions.end(), [&](const OptionDef& s) {
            return s.name == name && (belowFolder || (s.id != Id::Root && s.id != Id::DriveC));
        });
        if (known == kOptions.end()) return usage("unknown option " + name);
        std::string value;
        if (!known->value) {
            if (eq != std::string::npos) return usage(name + " takes no value");
        } else if (eq != std::string::npos) {
            value = a.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return usage(name + " needs a value");
        }
        // Given but empty is a mistake, not a request for the default.
        const bool mayBeEmpty = known->id == Id::Comment || known->id == Id::DriveC || name == "--tag";
        if (known->value && value.empty() && !mayBeEmpty)
            return usage(name + (known->id == Id::Folder || known->id == Id::Snapshot || known->id == Id::Root
                                     ? " may not be empty"
                                     : " needs a value"));
        switch (known->id) {
        case Id::Folder: o.folder = value; break;
        case Id::Output: o.output = value; break;
        case Id::Snapshot: o.snapshot = value; break;
        case Id::Root: o.root = value; break;
        case Id::DriveC: o.driveC = value; break;
        case Id::Comment: o.comment = value, o.haveComment = true; break;
        case Id::Onboard: onboardList = value, o.haveOnboard = true; break;
        case Id::Open: o.open = true; break;
        case Id::Dump: o.dumpFile = value; break;
        case Id::Trace: o.traceFile = value; break;
        case Id::Sanitize: o.sanitize = true; break;
        case Id::Quiet: o.quiet = true; break;
        case Id::Help: parsed.action = ParsedCommandLine::Action::Help; return parsed;
        case Id::Version: parsed.action = ParsedCommandLine::Action::Version; return parsed;
        case Id::Ocs: {
            const std::vector<std::string> pair{name, value};
            std::size_t at = 0;
            std::string error;
            parseOcsOption(pair, at, o.ocs, error);
            if (!error.empty()) return usage(error);
            break;
        }
        }
    }

    if (operands.size() > 1) return usage("more than one designation");
    if (operands.size() == 1) {
        o.designation = operands.front();
        o.haveDesignation = true;
        if (o.designation.empty()) return usage("the designation is empty");
        if (o.designation == "-")
            return usage("the designation may not be - (--output - writes the report to standard output)");
        if (o.designation.find_first_of("\\/:*?<>|\"") != std::string::npos)
            return usage("the designation may not hold any of \\ / : * ? < > | \"");
    }
    if (const std::string why = checkOcsOptions(o.ocs); !why.empty()) return usage(why);
    if (o.haveOnboard && !parseOnboard(onboardList, o.onboard)) return usage("bad --onboard list " + onboardList);
    if (!o.folder.empty() && !o.output.empty()) return usage("--folder and --output exclude each other");

    const int toStdout = isStandardOutput(o.output) + isStandardOutput(o.ocs.file) + isStandardOutput(o.ocs.glpiFile) +
                         isStandardOutput(o.dumpFile);
    if (toStdout > 1) return usage("only one of --output, --ocs-file, --glpi-file and --dump-snapshot may be -");
    const bool dataToStdout =
        isStandardOutput(o.ocs.file) || isStandardOutput(o.ocs.glpiFile) || isStandardOutput(o.dumpFile);
    o.writeReport = o.haveDesignation && !(dataToStdout && o.output.empty() && o.folder.empty());

    if (o.ocs.wanted() && !o.haveDesignation) return usage("--server, --ocs-file and --glpi-file need a designation");
    if (!o.haveDesignation && o.dumpFile.empty()) return usage("no designation");
    if (!o.haveDesignation && (!o.output.empty() || o.open)) return usage("--output and --open need a designation");
    if (o.open && (!o.writeReport || !o.output.empty()))
        return usage("--open goes with a report written into a folder");
    return parsed;
}

}  // namespace tq::app
