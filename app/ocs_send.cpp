#include "app/ocs_send.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/cli_ui.h"
#include "app/output.h"
#include "ocs/deviceid.h"
#include "ocs/inventory.h"
#include "ocs/protocol.h"
#include "platform/http.h"
#include "platform/statefile.h"

namespace tq::app {

bool parseOcsOption(const std::vector<std::string>& args, std::size_t& i, OcsOptions& o, std::string& error) {
    const std::string& a = args[i];
    std::string* target = nullptr;
    if (a == "--server") target = &o.server;
    else if (a == "--tag") target = &o.tag, o.haveTag = true;
    else if (a == "--ocs-file") target = &o.file;
    else if (a == "--glpi-file") target = &o.glpiFile;
    else if (a == "--proxy") target = &o.proxy;
    else if (a != "--timeout") return false;
    if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return true;
    }
    const std::string& value = args[++i];
    if (target) {
        *target = value;
        if (value.empty() && a != "--tag") error = a + " needs a value";
        return true;
    }
    int seconds = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (ec != std::errc() || end != value.data() + value.size() || seconds < 1 || seconds > 3600)
        error = "--timeout needs a number of seconds from 1 to 3600";
    else o.timeoutSeconds = seconds, o.haveTimeout = true;
    return true;
}

std::string checkOcsOptions(const OcsOptions& o) {
    if (!o.server.empty() && o.server.rfind("http://", 0) != 0 && o.server.rfind("https://", 0) != 0)
        return "--server needs an http:// or https:// address";
    if (!o.proxy.empty() && o.proxy != "none" && o.proxy.find("://") == std::string::npos)
        return "--proxy needs an address such as http://proxy.example:3128, or none";
    if (!o.wanted() && (o.haveTag || o.haveTimeout))
        return "--tag and --timeout go with --server, --ocs-file or --glpi-file";
    if (o.server.empty() && o.haveTimeout) return "--timeout goes with --server";
    if (o.server.empty() && !o.proxy.empty()) return "--proxy goes with --server";
    return {};
}

int sendInventory(wmi::Run& run, const OcsOptions& o, const std::string& designation) {
    // Every line may quote the server or an address as given: one line,
    // control characters escaped, no address's password.
    std::vector<std::string> addresses = platform::environmentProxies();
    addresses.push_back(o.server);
    addresses.push_back(o.proxy);
    auto shownLine = [&](const std::string& line) { return oneLine(platform::withoutCredentials(line, addresses)); };
    auto complain = [&](const std::string& line) {
        std::fprintf(stderr, "tallyquest-report: %s\n", shownLine(line).c_str());
        return kSendFailed;
    };
    try {
        ocs::InventoryOptions io;
        io.designation = designation;
        io.tag = o.tag;  // empty: the designation
        const ocs::Inventory inventory = ocs::Inventory::read(run, io);

        std::time_t now = std::time(nullptr);
        std::tm local{};
#if defined(_WIN32)
        localtime_s(&local, &now);
#else
        localtime_r(&now, &local);
#endif
        // One id for every output. Earlier versions kept one per server,
        // keyed on the address without its credentials (before that, as given).
        const std::string key = o.server.empty() ? "file" : ocs::addressWithoutUser(o.server);
        ocs::DeviceIdState state(
            platform::stateFolders(), key, o.server.empty() ? "file" : o.server,
            {inventory.machineName(), inventory.field("HARDWARE", "UUID"), inventory.field("BIOS", "SSN")});
        const std::string deviceId = state.reserve(local);
        // Only the forms asked for are written.
        const std::string xml = o.server.empty() && o.file.empty() ? std::string() : inventory.requestXml(deviceId);

        for (const auto& [file, glpi] : {std::pair{o.file, false}, std::pair{o.glpiFile, true}}) {
            if (file.empty()) continue;
            try {
                if (!isStream(file)) platform::removeAbandonedTemporaries(file);  // what a killed run left
                if (glpi) writeOutput(file, inventory.glpiJson(deviceId));
                else writeOutput(file, xml);  // not through ?:, which would copy it
            } catch (const std::exception& e) {
                return complain(std::string("cannot write the inventory: ") + e.what());
            }
            state.commit();  // the id is out in the file
        }
        if (o.server.empty()) return 0;

        // Otherwise the id is kept once the server has accepted it: a refused
        // or unreachable address leaves no state behind.
        auto client = platform::makeHttpClient();
        std::string prolog;
        const ocs::Outcome outcome = ocs::sendInventory(*client, ocs::Server{o.server, o.timeoutSeconds, o.proxy},
                                                        deviceId, xml, &prolog, [&] { state.commit(); });
        const std::string shown = ocs::shownAddress(o.server);
        const std::string line = outcome == ocs::Outcome::Sent
                                     ? "inventory of " + deviceId + " sent to " + shown
                                     : shown + " did not ask for the inventory of " + deviceId + " (it answered " +
                                           (prolog.empty() ? "nothing" : prolog) + ")";
        if (!o.quiet) std::fprintf(o.stdoutTaken ? stderr : stdout, "%s\n", shownLine(line).c_str());
        return 0;
    } catch (const std::exception& e) {
        return complain(e.what());
    }
}

}  // namespace tq::app
