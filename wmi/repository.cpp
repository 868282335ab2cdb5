#include "wmi/repository.h"

#include <deque>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "wmi/failure.h"
#include "wmi/wql.h"

namespace tq::wmi {

// ------------------------------------------------------------ Instance ----

Instance::Instance(std::string className, const ClassDef* def)
    : className_(std::move(className)), def_(def), index_(detail::indexFor(def)) {}

namespace {
const Value& absentValue() {
    static const Value v;
    return v;
}

// Slot of a class property, or -1: through the index for built-in classes,
// by search for other definitions.
int classSlot(const ClassDef* def, const detail::SlotIndex* index, std::string_view name) noexcept {
    if (index) return detail::slotIn(index, name);
    if (!def) return -1;
    for (std::size_t i = 0; i < def->properties.size(); ++i)
        if (text::iequals(def->properties[i].name, name)) return static_cast<int>(i);
    return -1;
}
}  // namespace

const Value* Instance::lookup(std::string_view name, bool& inClass) const noexcept {
    const int slot = classSlot(def_, index_, name);
    inClass = slot >= 0;
    if (slot >= 0 && static_cast<std::size_t>(slot) < kInlineSlots) {
        const std::uint8_t k = slots_[static_cast<std::size_t>(slot)];
        if (k == 0) return nullptr;
        if (k != kFar) return &data()[k - 1u].second;
    }
    for (const auto& [n, val] : properties())
        if (text::iequals(n, name)) return &val;
    return nullptr;
}

void Instance::set(std::string_view name, Value v) {
    unpack();
    const int slot = classSlot(def_, index_, name);
    if (slot >= 0 && static_cast<std::size_t>(slot) < kInlineSlots) {
        std::uint8_t& k = slots_[static_cast<std::size_t>(slot)];
        if (k != 0 && k != kFar) {
            props_[k - 1u].second = std::move(v);
            return;
        }
        if (k == 0) {
            props_.emplace_back(def_->properties[static_cast<std::size_t>(slot)].name, std::move(v));
            k = props_.size() < kFar ? static_cast<std::uint8_t>(props_.size()) : kFar;
            return;
        }
    }
    for (auto& [n, val] : props_)
        if (text::iequals(n, name)) {
            val = std::move(v);
            return;
        }
    // Class properties are listed under the schema's spelling.
    props_.emplace_back(slot >= 0 ? def_->properties[static_cast<std::size_t>(slot)].name : std::string(name),
                        std::move(v));
}

void Instance::unpack() {
    if (!packed_) return;
    props_.assign(packed_, packed_ + packedSize_);
    packed_ = nullptr;
    packedSize_ = 0;
}

const Value* Instance::find(std::string_view name) const noexcept {
    bool inClass = false;
    return lookup(name, inClass);
}

const Value& Instance::get(std::string_view name) const {
    bool inClass = false;
    if (const Value* v = lookup(name, inClass)) return *v;
    if (inClass) return absentValue();
    fail::raise(fail::kNotSupported);
}

std::shared_ptr<const Object> Instance::keep() const {
    return std::shared_ptr<const Object>(std::shared_ptr<const Object>(), this);
}

std::vector<std::string> Instance::names() const {
    std::vector<std::string> out;
    if (def_) {
        out.reserve(def_->properties.size());
        for (const PropertyDef& p : def_->properties) out.push_back(p.name);
        for (const auto& [n, v] : properties())
            if (classSlot(def_, index_, n) < 0) out.push_back(n);
    } else {
        out.reserve(size());
        for (const auto& [n, v] : properties()) out.push_back(n);
    }
    return out;
}

// ---------------------------------------------------------- Repository ----

namespace {
// Objects of one class in chunks that never move: references stay valid, and
// the objects of a chunk lie next to each other for walks in order.
class ObjectStore {
public:
    template <class... Args>
    Instance& emplace_back(Args&&... args) {
        if (chunks_.empty() || chunks_.back()->size() == kChunk) {
            chunks_.push_back(std::make_unique<std::vector<Instance>>());
            chunks_.back()->reserve(kChunk);
        }
        ++size_;
        return chunks_.back()->emplace_back(std::forward<Args>(args)...);
    }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    Instance& operator[](std::size_t i) { return (*chunks_[i / kChunk])[i % kChunk]; }
    template <class F>
    void forEach(F&& f) const {
        for (const auto& c : chunks_)
            for (const Instance& o : *c) f(o);
    }

private:
    static constexpr std::size_t kChunk = 256;
    std::vector<std::unique_ptr<std::vector<Instance>>> chunks_;
    std::size_t size_ = 0;
};
}  // namespace

struct Repository::Impl {
    struct ClassStore {
        std::string name;
        const ClassDef* def;
        ObjectStore objects;
        std::size_t packed = 0;        // objects whose properties lie in a block
        std::vector<std::unique_ptr<std::vector<Instance::Property>>> blocks;

        // Copies the properties of the objects filled since the last walk
        // into one block, in object order: walks over large classes then
        // read memory in order instead of chasing scattered allocations.
        void pack() {
            std::size_t total = 0;
            for (std::size_t i = packed; i < objects.size(); ++i) total += objects[i].size();
            auto block = std::make_unique<std::vector<Instance::Property>>();
            block->reserve(total);
            std::vector<std::size_t> starts;
            for (std::size_t i = packed; i < objects.size(); ++i) {
                starts.push_back(block->size());
                for (const auto& p : objects[i].properties()) block->push_back(p);
            }
            for (std::size_t i = packed, k = 0; i < objects.size(); ++i, ++k) {
                Instance& o = objects[i];
                o.packedSize_ = o.size();
                o.props_.clear();
                o.props_.shrink_to_fit();
                o.packed_ = block->data() + starts[k];
            }
            packed = objects.size();
            blocks.push_back(std::move(block));
        }
    };
    std::vector<std::unique_ptr<ClassStore>> classes;
    std::unordered_map<std::string, std::size_t> byName;  // folded name -> index
    Loader loader;
    std::unordered_set<std::string> loaded;  // folded names

    ClassStore* store(std::string_view name) {
        auto it = byName.find(text::lower(name));
        return it == byName.end() ? nullptr : classes[it->second].get();
    }
};

Repository::Repository() : impl_(std::make_unique<Impl>()) {}
Repository::~Repository() = default;

Instance& Repository::add(std::string_view className) {
    std::string key = text::lower(className);
    auto it = impl_->byName.find(key);
    Impl::ClassStore* s;
    if (it == impl_->byName.end()) {
        auto cs = std::make_unique<Impl::ClassStore>();
        cs->def = knownClass(className);
        cs->name = cs->def ? cs->def->name : std::string(className);
        s = cs.get();
        impl_->byName.emplace(std::move(key), impl_->classes.size());
        impl_->classes.push_back(std::move(cs));
    } else {
        s = impl_->classes[it->second].get();
    }
    return s->objects.emplace_back(s->name, s->def);
}

void Repository::setLoader(Loader loader) { impl_->loader = std::move(loader); }

std::vector<std::string> Repository::classNames() const {
    std::vector<std::string> out;
    for (const auto& c : impl_->classes)
        if (!c->objects.empty()) out.push_back(c->name);
    return out;
}

std::vector<const Instance*> Repository::objectsOf(std::string_view className) {
    std::vector<std::string> read{std::string(className)};
    for (auto& s : subclassesOf(className)) read.push_back(std::move(s));
    if (impl_->loader) {
        for (const std::string& c : read) {
            // Marked before the call: a loader runs at most once per class,
            // even when it fails.
            if (impl_->loaded.insert(text::lower(c)).second) impl_->loader(*this, c);
        }
    }
    std::vector<const Instance*> out;
    for (const std::string& c : read)
        if (Impl::ClassStore* s = impl_->store(c)) {
            if (s->packed < s->objects.size()) s->pack();
            out.reserve(out.size() + s->objects.size());
            s->objects.forEach([&](const Instance& o) { out.push_back(&o); });
        }
    return out;
}

// ------------------------------------------------------------- service ----

namespace {

// A result with a select list: only the selected properties can be read.
// One view per collection, re-aimed at each object the walk yields.
class Projection final : public Object {
public:
    void aim(const Instance* o) { object_ = o; }
    void setNames(std::vector<std::string> n) { names_ = std::make_shared<const std::vector<std::string>>(std::move(n)); }

    const Value& get(std::string_view name) const override {
        for (const std::string& n : *names_)
            if (text::iequals(n, name)) return object_->get(n);
        fail::raise(fail::kNotSupported);
    }
    std::vector<std::string> names() const override { return *names_; }
    std::string className() const override { return object_->className(); }
    // A view of its own on the object, which lives as long as the repository.
    std::shared_ptr<const Object> keep() const override { return std::make_shared<Projection>(*this); }

private:
    const Instance* object_ = nullptr;
    std::shared_ptr<const std::vector<std::string>> names_;
};

class RepoCollection final : public Collection {
public:
    RepoCollection(std::shared_ptr<Repository> repo, std::string_view query, std::string_view language)
        : repo_(std::move(repo)), query_(query), language_(language) {}

    // Checks and runs the query. Throws the service's failure.
    void prepare() {
        if (failure_) throw Error(*failure_);
        if (prepared_) return;
        try {
            run();
        } catch (const Error& e) {
            failure_ = e.failure();
            throw;
        }
        prepared_ = true;
    }

    const Object* next() override {
        prepare();
        while (pos_ < objects_.size()) {
            const Instance* o = objects_[pos_++];
            if (condition_ && !condition_->matches(*o)) continue;
            if (all_) return o;
            view_.aim(o);
            return &view_;
        }
        return nullptr;
    }

private:
    void run() {
        if (!text::iequals(language_, "WQL")) fail::raiseService(fail::kWbemInvalidQueryType);
        wql::Query q = wql::parse(query_);
        const ClassDef* def = knownClass(q.className);
        objects_ = repo_->objectsOf(q.className);
        if (!def && objects_.empty()) fail::raiseService(fail::kWbemInvalidClass);
        all_ = q.all;
        if (!all_) {
            std::vector<std::string> names;
            for (const std::string& s : q.select) {
                if (def) {
                    const PropertyDef* p = def->property(s);
                    if (!p) fail::raiseService(fail::kWbemInvalidQuery);
                    names.push_back(p->name);
                } else {
                    names.push_back(s);
                }
            }
            view_.setNames(std::move(names));
        }
        if (q.where) {
            where_ = std::move(q.where);  // the compiled condition refers to its patterns
            condition_.emplace(*where_, def);
        }
    }

    std::shared_ptr<Repository> repo_;
    std::string query_, language_;
    bool prepared_ = false;
    std::optional<Failure> failure_;
    bool all_ = true;
    std::vector<const Instance*> objects_;
    std::size_t pos_ = 0;
    std::unique_ptr<wql::Node> where_;
    std::optional<wql::Condition> condition_;
    Projection view_;
};

class RepoService final : public Service {
public:
    explicit RepoService(std::shared_ptr<Repository> repo) : repo_(std::move(repo)) {}

    std::unique_ptr<Collection> execQuery(std::string_view query, std::string_view language, int flags) override {
        auto c = std::make_unique<RepoCollection>(repo_, query, language);
        // Without "return immediately" the call waits for the query, so its
        // failures surface here; otherwise when the walk starts.
        if ((flags & kReturnImmediately) == 0) c->prepare();
        return c;
    }

private:
    std::shared_ptr<Repository> repo_;
};

}  // namespace

ServicePtr makeService(std::shared_ptr<Repository> repo) {
    if (!repo) repo = std::make_shared<Repository>();
    return std::make_unique<RepoService>(std::move(repo));
}

Binder makeBinder(std::function<std::shared_ptr<Repository>()> source) {
    return [source = std::move(source)](std::string_view moniker) -> ServicePtr {
        checkMoniker(moniker);
        std::shared_ptr<Repository> repo = source ? source() : nullptr;
        if (!repo) fail::raiseService(fail::kWbemFailed);
        return makeService(std::move(repo));
    };
}

Binder makeBinder(std::shared_ptr<Repository> repo) {
    return makeBinder(std::function<std::shared_ptr<Repository>()>([repo] { return repo; }));
}

// Accepted, without regard to case: "winmgmts:", optional {security
// settings}, optional "!", optional "\\.\" or "\\localhost\" (forward
// slashes too), then "root\cimv2" or nothing (the default namespace).
// A malformed moniker fails with 5 (invalid argument), another machine with
// the RPC "server unavailable" status, another namespace with "invalid
// namespace".
void checkMoniker(std::string_view m) {
    constexpr std::string_view kScheme = "winmgmts:";
    if (m.size() < kScheme.size() || !text::iequals(m.substr(0, kScheme.size()), kScheme))
        fail::raise(fail::kInvalidArgument);
    m.remove_prefix(kScheme.size());
    if (!m.empty() && m.front() == '{') {
        const std::size_t close = m.find('}');
        if (close == std::string_view::npos) fail::raise(fail::kInvalidArgument);
        m.remove_prefix(close + 1);
    }
    if (!m.empty() && m.front() == '!') m.remove_prefix(1);
    std::string path(m);
    for (char& c : path)
        if (c == '/') c = '\\';
    std::string_view p = path;
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        p.remove_prefix(2);
        const std::size_t sep = p.find('\\');
        const std::string_view server = p.substr(0, sep);
        if (server.empty()) fail::raise(fail::kInvalidArgument);
        if (server != "." && !text::iequals(server, "localhost"))
            fail::raiseService(0x800706BAu, "The RPC server is unavailable. ");
        p = sep == std::string_view::npos ? std::string_view{} : p.substr(sep + 1);
    }
    if (p.find(':') != std::string_view::npos || p.find('{') != std::string_view::npos)
        fail::raise(fail::kInvalidArgument);  // an object path, or settings out of place
    if (p.empty() || text::iequals(p, "root\\cimv2")) return;
    fail::raiseService(fail::kWbemInvalidNamespace);
}

}  // namespace tq::wmi
