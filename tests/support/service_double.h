// A management service for the query-budget tests: answers from a
// repository, counts the connections and the queries that reach it, and can
// be harsher than a repository: a query that fails at ExecQuery, a walk that
// fails after k objects, properties that are missing on some objects.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/seams.h"
#include "wmi/failure.h"
#include "wmi/repository.h"

namespace tq::testing {

class ServiceDouble {
public:
    explicit ServiceDouble(std::shared_ptr<wmi::Repository> repo) : repo_(std::move(repo)) {}
    // Answers every bind of `platform` from a snapshot text (JSON) while it exists.
    ServiceDouble(platform::Platform& platform, std::string_view json);
    ~ServiceDouble();
    // A binder that reaches the double, while it exists.
    wmi::Binder binder();
    ServiceDouble(const ServiceDouble&) = delete;
    ServiceDouble& operator=(const ServiceDouble&) = delete;

    int connections = 0;
    std::vector<std::string> queries;                 // every query that reached the service
    std::function<void(const std::string&)> onQuery;  // runs before each query is answered

    struct Harm {
        std::string text;       // queries that hold this text
        std::size_t after = 0;  // walks fail after so many objects; ExecQuery fails when npos
        Failure failure;
    };
    std::vector<Harm> harms;
    // Absent values read as missing properties (438), as the service has
    // it for a property an object lacks.
    bool absentIsMissing = false;

    // How often a query holding `text` reached the service.
    int count(const std::string& text) const;

private:
    std::shared_ptr<wmi::Repository> repo_;
    platform::Platform* platform_ = nullptr;
};

}  // namespace tq::testing
