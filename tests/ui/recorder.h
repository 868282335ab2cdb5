// A management service for the window tests: answers from a snapshot text,
// records every query, and can make chosen queries fail or run a callback
// while they run.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/seams.h"
#include "wmi/failure.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace tq::testing {

class QueryRecorder {
public:
    // Answers every bind of `platform` while it exists.
    QueryRecorder(platform::Platform& platform, std::string_view json)
        : platform_(platform), repo_(wmi::parseSnapshot(json, "test snapshot")) {
        platform_.binder = [this](std::string_view moniker) -> wmi::ServicePtr {
            return std::make_unique<Recording>(*this, wmi::makeBinder(repo_)(moniker));
        };
    }
    ~QueryRecorder() { platform_.binder = nullptr; }
    QueryRecorder(const QueryRecorder&) = delete;

    std::vector<std::string> queries;
    std::string failing;                               // queries holding this fail with "Object required"
    std::function<void(const std::string&)> onQuery;  // runs before each query is answered

    int count(std::string_view text) const {
        int n = 0;
        for (const auto& q : queries) n += q.find(text) != std::string::npos;
        return n;
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

private:
    class Recording final : public wmi::Service {
    public:
        Recording(QueryRecorder& owner, wmi::ServicePtr inner) : owner_(owner), inner_(std::move(inner)) {}
        std::unique_ptr<wmi::Collection> execQuery(std::string_view query, std::string_view language,
                                                   int flags) override {
            const std::string q(query);
            owner_.queries.push_back(q);
            if (owner_.onQuery) owner_.onQuery(q);
            if (!owner_.failing.empty() && q.find(owner_.failing) != std::string::npos)
                fail::raise(fail::kObjectRequired);
            return inner_->execQuery(query, language, flags);
        }

    private:
        QueryRecorder& owner_;
        wmi::ServicePtr inner_;
    };

    platform::Platform& platform_;
    std::shared_ptr<wmi::Repository> repo_;
};

}  // namespace tq::testing
