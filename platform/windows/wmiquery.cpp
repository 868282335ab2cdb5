// tq-wmiquery: runs one WQL query on the local management service through
// the program's own COM backend and prints what it reads, one
// "Property=value" line per property and a blank line after each object.
//   tq-wmiquery [--moniker M] [--flags N] QUERY [PROPERTY...]
// Absent values print as "<absent>", other kinds as their JSON form. On a
// failure it prints "error NUMBER: DESCRIPTION" and exits with status 1.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/windows/text.h"
#include "platform/windows/wmi_com.h"
#include "wmi/failure.h"
#include "wmi/service.h"

namespace {

std::string show(const tq::Value& v) {
    if (v.isAbsent()) return "<absent>";
    if (v.isOther()) return v.rawText();
    return v.str();
}

}  // namespace

// Arguments in UTF-16, as Windows has them: a query may hold any letter.
int wmain(int argc, wchar_t** wargv) {
    using namespace tq;
    std::vector<std::string> argv(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) argv[i] = win::narrow(wargv[i]);
    std::string moniker(wmi::kMoniker);
    int flags = wmi::kProbeFlags;
    std::string query;
    std::vector<std::string> properties;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--moniker" && i + 1 < argc) moniker = argv[++i];
        else if (a == "--flags" && i + 1 < argc) flags = std::atoi(argv[++i].c_str());
        else if (query.empty()) query = a;
        else properties.push_back(a);
    }
    if (query.empty()) {
        std::fputs("usage: tq-wmiquery [--moniker M] [--flags N] QUERY [PROPERTY...]\n", stderr);
        return 64;
    }
    try {
        wmi::ServicePtr service = win::bindMoniker(moniker);
        wmi::CollectionPtr result = service->execQuery(query, "WQL", flags);
        while (const wmi::Object* o = result->next()) {
            const std::vector<std::string> names = properties.empty() ? o->names() : properties;
            for (const std::string& n : names) {
                std::string line = n + "=";
                try {
                    line += show(o->get(n));
                } catch (const Error& e) {
                    line += "<error " + std::to_string(e.number()) + ">";
                }
                std::printf("%s\n", line.c_str());
            }
            std::printf("\n");
        }
    } catch (const Error& e) {
        std::printf("error %ld: %s\n", static_cast<long>(e.number()), e.failure().description.c_str());
        return 1;
    }
    return 0;
}
