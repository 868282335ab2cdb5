#include "app/ocs_send.h"

#include <charconv>
#include <cstdio>
#include <ctime>

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
    else
        o.timeoutSeconds = seconds, o.haveTimeout = true;
    return true;
}

std::string checkOcsOptions(const OcsOptions& o) {
    if (!o.server.empty() && o.server.rfind("http://", 0) != 0 && o.server.rfind("https://", 0) != 0)
        return "--server needs an http:// or https:// address";
    if (!o.wanted() && (o.haveTag || o.haveTimeout)) return "--tag and --timeout go with --server, --ocs-file or --glpi-file";
    if (o.server.empty() && o.haveTimeout) return "--timeout goes with --server";
    return {};
}

int sendInventory(const OcsOptions& o, const std::string& designation) {
    auto complain = [](const std::string& line) {
        std::fprintf(stderr, "tallyquest-report: %s\n", line.c_str());
        return kSendFailed;
    };
    try {
        ocs::InventoryOptions io;
        io.designation = designation;
        io.tag = o.haveTag ? o.tag : designation;
        const ocs::Inventory inventory = ocs::Inventory::read(io);

        std::time_t now = std::time(nullptr);
        std::tm local{};
#if defined(_WIN32)
        localtime_s(&local, &now);
#else
        localtime_r(&now, &local);
#endif
        const std::string key = o.server.empty() ? "file" : o.server;
        const std::string deviceId =
            ocs::obtainDeviceId(platform::stateFolder(), key, inventory.machineName(), local);
        const std::string xml = inventory.requestXml(deviceId);

        for (const auto& [file, text] : {std::pair{o.file, xml}, std::pair{o.glpiFile, inventory.glpiJson(deviceId)}}) {
            if (file.empty()) continue;
            try {
                platform::replaceFile(file, text);
            } catch (const std::exception& e) {
                return complain(std::string("cannot write the inventory: ") + e.what());
            }
        }
        if (o.server.empty()) return 0;

        auto client = platform::makeHttpClient();
        std::string prolog;
        const ocs::Outcome outcome =
            ocs::sendInventory(*client, ocs::Server{o.server, o.timeoutSeconds}, deviceId, xml, &prolog);
        if (outcome == ocs::Outcome::Sent)
            std::printf("inventory of %s sent to %s\n", deviceId.c_str(), o.server.c_str());
        else
            std::printf("%s did not ask for the inventory of %s (it answered %s)\n", o.server.c_str(),
                        deviceId.c_str(), prolog.empty() ? "nothing" : prolog.c_str());
        return 0;
    } catch (const std::exception& e) {
        return complain(e.what());
    }
}

}  // namespace tq::app
