// The in-memory repository: classes of objects held in memory and answered
// through the service interface with a WQL engine of its own. Snapshots load
// into it, tests fill it by hand, and the Linux provider fills it from the
// machine when a query first asks for a class.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wmi/schema.h"
#include "wmi/service.h"

namespace tq::wmi {

namespace detail {
struct Shape;  // what the objects of one class share: name, definition, index
class Store;   // the texts and property names a repository's objects hold
}  // namespace detail

// One stored object. A property of a known class that the object does not
// list reads as absent; a name the class does not have fails (438).
//
// Small on purpose (three words): a snapshot may hold millions of objects,
// and one that lists nothing allocates nothing more.
class Instance final : public Object {
public:
    // A standalone object; the repository's objects share their class's shape.
    Instance(std::string className, const ClassDef* def);
    ~Instance() override;
    Instance(Instance&&) noexcept;
    Instance& operator=(Instance&&) noexcept;

    void set(std::string_view name, Value v);  // adds or replaces
    const Value& get(std::string_view name) const override;
    std::vector<std::string> names() const override;
    std::string className() const override;
    // The object itself: it lives as long as its repository.
    std::shared_ptr<const Object> keep() const override;

    const ClassDef* definition() const noexcept;
    // A listed property: its name as listed (one copy of each spelling per
    // repository) and its value.
    struct Property {
        const char* listedName;  // the name's length (4 bytes), then its bytes
        Value value;
        std::string_view name() const noexcept {
            std::uint32_t n;
            std::memcpy(&n, listedName, sizeof n);
            return {listedName + sizeof n, n};
        }
        bool operator==(const Property& o) const { return name() == o.name() && value == o.value; }
    };
    std::span<const Property> properties() const noexcept;
    // A property as a loader gives it.
    using Field = std::pair<std::string, Value>;
    // The stored value, or nullptr when the object does not list the property.
    const Value* find(std::string_view name) const noexcept override;

private:
    struct Body;
    explicit Instance(const detail::Shape* shape) noexcept;

    const detail::Shape* shape_;
    std::unique_ptr<Body> body_;  // nullptr while the object lists nothing

    const Value* lookup(std::string_view name, bool& inClass) const noexcept;
    // set() once the name's class slot (or -1) is known, and the name as
    // it is kept when the caller has it (else nullptr).
    void put(int slot, std::string_view name, const char* listed, Value v);

    friend class Repository;
};

class Repository {
public:
    Repository();
    ~Repository();
    Repository(const Repository&) = delete;
    Repository& operator=(const Repository&) = delete;

    // Adds an object of a class (the class is created on first use) and
    // returns it for filling. References stay valid while the repository lives.
    Instance& add(std::string_view className);
    // Adds a filled object: the properties (moved from) are set in order, as
    // set() would, and kept next to those of the class's other objects.
    // Loaders of many objects use it: the properties take no more memory
    // than their own, and none is moved again.
    Instance& add(std::string_view className, std::span<Instance::Field> properties);
    // A value of `kind` (a text or another kind) whose text the repository
    // keeps for its objects, to give to add(): it costs no allocation of its own.
    Value keep(Value::Kind kind, std::string_view text);

    // Called at most once per class (names without regard to case), right
    // before a query first reads that class or one of its subclasses.
    using Loader = std::function<void(Repository&, std::string_view className)>;
    void setLoader(Loader loader);

    // Names of the classes that hold objects, in the order they were created.
    std::vector<std::string> classNames() const;

    // The objects of a class and of its subclasses, in insertion order
    // (the class's own objects first). Runs the loader first.
    std::vector<const Instance*> objectsOf(std::string_view className);
    // The same objects as runs of neighbours in memory, for a walk that
    // needs no list of its own.
    std::vector<std::span<const Instance>> runsOf(std::string_view className);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A fresh service over a repository (the repository lives as long as any
// service or result made from it).
ServicePtr makeService(std::shared_ptr<Repository> repo);

// A binder that accepts the monikers of the local root\cimv2 namespace and
// gives a fresh service over the repository that `source` returns, called
// once per bind (so a source may build a new repository each time).
Binder makeBinder(std::function<std::shared_ptr<Repository>()> source);
Binder makeBinder(std::shared_ptr<Repository> repo);

// Checks a moniker: "winmgmts:", optional {security settings}, optional "!"
// and object path; only the local root\cimv2 namespace is served. Throws the
// service's failure for any other namespace, 5 for a malformed moniker.
void checkMoniker(std::string_view moniker);

}  // namespace tq::wmi
