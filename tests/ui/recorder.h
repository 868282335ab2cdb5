// The service double of the window tests, with a query that fails on
// demand and the on-board sections a run asked for.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tests/support/service_double.h"

namespace tq::testing {

class QueryRecorder : public ServiceDouble {
public:
    using ServiceDouble::ServiceDouble;

    // Queries holding `text` fail with "Object required" (none when empty).
    void failWith(const std::string& text) {
        harms.clear();
        const Failure required{fail::kObjectRequired, fail::describe(fail::kObjectRequired)};
        if (!text.empty()) harms.push_back({text, std::string::npos, required});
    }

    // The on-board devices that the report's On Board section asked for
    // since query number `from`, as "vga audio lan" in that order: the
    // boxes as the run read them.
    std::string onboardAsked(std::size_t from) const {
        static constexpr std::string_view kQueries[][2] = {
            {"vga", "SELECT * FROM Win32_VideoController"},
            {"audio", "SELECT * FROM Win32_SoundDevice WHERE Caption LIKE '%Audio%'"},
            {"lan", "SELECT * FROM Win32_NetworkAdapter WHERE PNPDeviceID LIKE 'PCI%VEN%'"}};
        std::string out;
        for (const auto& [box, query] : kQueries)
            for (std::size_t i = from; i < queries.size(); ++i)
                if (queries[i].rfind(query, 0) == 0) {
                    out += (out.empty() ? "" : " ") + std::string(box);
                    break;
                }
        return out;
    }
};

}  // namespace tq::testing
