// tallyquest-report's inventory server options: after a saved report, the
// machine's inventory goes to an OCS Inventory NG server or to a file.
#pragma once

#include <string>
#include <vector>

#include "wmi/run.h"

namespace tq::app {

struct OcsOptions {
    std::string server;    // the communication server's address
    std::string tag;       // ACCOUNTINFO TAG; the designation when empty
    std::string file;      // write the inventory XML here
    std::string glpiFile;  // write the inventory in GLPI's JSON format here
    std::string proxy;     // "none", a proxy's address, or "" for the default
    int timeoutSeconds = 30;
    bool haveTag = false, haveTimeout = false;
    bool quiet = false;        // -q: no line for an inventory sent
    bool stdoutTaken = false;  // a file goes to standard output: lines go to standard error

    bool wanted() const { return !server.empty() || !file.empty() || !glpiFile.empty(); }
};

// Takes the option at args[i] (and its value) when it is one of ours.
// Returns false when it is not; sets `error` for a missing or bad value.
bool parseOcsOption(const std::vector<std::string>& args, std::size_t& i, OcsOptions& o, std::string& error);
// A complaint about the combination, or "".
std::string checkOcsOptions(const OcsOptions& o);

inline constexpr int kSendFailed = 3;

// Reads the inventory in the program's run and sends or writes
// it (a file of "-" is standard output, see app/output.h). Returns 0, or
// kSendFailed after one line on standard error.
int sendInventory(wmi::Run& run, const OcsOptions& o, const std::string& designation);

}  // namespace tq::app
