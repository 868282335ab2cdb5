// The four operations every probe relies on: bind a moniker to a service,
// run a query, walk its result once front to back, read a property by name.
// Backends (the in-memory repository, the Linux provider, COM on Windows)
// implement Service, Collection and Object; the binder a run is made with
// decides which one a moniker reaches.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "wmi/trap.h"
#include "wmi/value.h"

namespace tq::wmi {

// Query flags as the service defines them.
inline constexpr int kReturnImmediately = 16;
inline constexpr int kForwardOnly = 32;
inline constexpr int kProbeFlags = kReturnImmediately | kForwardOnly;  // 48
inline constexpr int kDefaultFlags = kReturnImmediately;               // the service's defaults

// One object of a result. Property names match without regard to case.
class Object {
public:
    virtual ~Object() = default;
    // The property's value; throws Error when the object has no such property.
    virtual const Value& get(std::string_view name) const = 0;
    // The property's value, or nullptr when the object has none or reading
    // it fails: for readers to whom an absent property is no failure. The
    // default asks get(); backends that can look without throwing do.
    virtual const Value* find(std::string_view name) const;
    // The names of the properties that can be read, in the class's order.
    virtual std::vector<std::string> names() const = 0;
    // The class the object belongs to.
    virtual std::string className() const = 0;
    // The object as it stands, valid after the walk has moved on (for the
    // results a run keeps). The default copies every property, and what
    // reading it failed with; backends whose objects outlive the walk hand
    // out the object itself.
    virtual std::shared_ptr<const Object> keep() const;

    const Value& operator[](std::string_view name) const { return get(name); }
};

// A query result, walked once. An object returned by next() stays valid
// until the following call of next() or the collection's end of life.
class Collection {
public:
    virtual ~Collection() = default;
    // The next object, or nullptr at the end. Throws Error when the walk
    // cannot start or continue.
    virtual const Object* next() = 0;
};

class Service {
public:
    virtual ~Service() = default;
    virtual std::unique_ptr<Collection> execQuery(std::string_view query, std::string_view language, int flags) = 0;
};

using ServicePtr = std::unique_ptr<Service>;
using CollectionPtr = std::unique_ptr<Collection>;

// A binder: turns a moniker into a fresh service, or throws. The program
// composes its own (backend, trace) where it starts; a run binds through it
// (wmi/run.h).
using Binder = std::function<ServicePtr(std::string_view moniker)>;

// ExecQuery on a service that may be missing (a failed bind): a missing
// service is a calling-side failure, "Object required".
CollectionPtr execQuery(const ServicePtr& service, std::string_view query, int flags = kProbeFlags,
                        std::string_view language = "WQL");

// Walks a result that may be missing, under the run's trapping; see Trap::walkWith.
template <class Body>
void walk(trap::Trap& trap, const CollectionPtr& result, Body&& body) noexcept {
    Collection* c = result.get();
    trap.walkWith(
        [c]() -> const Object* {
            if (!c) fail::raise(fail::kObjectRequired);
            return c->next();
        },
        std::forward<Body>(body));
}

// The monikers the program binds.
inline constexpr std::string_view kMoniker = "winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\cimv2";
inline constexpr std::string_view kMonikerUpper = "winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\CIMV2";
inline constexpr std::string_view kMonikerPlain = "winmgmts:\\\\.\\root\\CIMV2";

// A binder that never reaches a service: what a platform without a source
// of its own answers. Binding fails with the service's "not found" status.
ServicePtr bindUnavailable(std::string_view moniker);

}  // namespace tq::wmi
