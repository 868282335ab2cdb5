#include "wmi/repository.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "wmi/failure.h"
#include "wmi/wql.h"

namespace tq::wmi {

// ------------------------------------------------------------ Instance ----

// Texts in chunks that never move, and one copy of each property name's
// spelling: what the values and properties of a repository's objects point to.
class detail::Store {
public:
    std::string_view keep(std::string_view s) {
        char* p = allocate(s.size());
        if (!s.empty()) std::memcpy(p, s.data(), s.size());
        return {p, s.size()};
    }

    // The name's length (4 bytes) and bytes, the same for each spelling.
    const char* intern(std::string_view name) {
        if (auto it = names_.find(name); it != names_.end()) return it->second;
        if (name.size() > UINT32_MAX) throw std::length_error("property name too long");
        const auto n = static_cast<std::uint32_t>(name.size());
        char* p = allocate(sizeof n + name.size());
        std::memcpy(p, &n, sizeof n);
        if (n) std::memcpy(p + sizeof n, name.data(), name.size());
        names_.emplace(std::string_view(p + sizeof n, name.size()), p);
        return p;
    }

private:
    static constexpr std::size_t kLarge = 1 << 14;  // texts from this size take a chunk of their own
    static constexpr std::size_t kMaxChunk = 1 << 20;

    char* allocate(std::size_t n) {
        if (n >= kLarge) {
            chunks_.push_back(std::make_unique<char[]>(n));
            return chunks_.back().get();
        }
        if (n > left_) {
            // Chunks grow with the texts, so that a small repository stays small.
            const std::size_t size = std::max(next_, n);
            chunks_.push_back(std::make_unique_for_overwrite<char[]>(size));
            cur_ = chunks_.back().get();
            left_ = size;
            next_ = std::min(next_ * 2, kMaxChunk);
        }
        char* p = cur_;
        cur_ += n;
        left_ -= n;
        return p;
    }

    std::vector<std::unique_ptr<char[]>> chunks_;
    char* cur_ = nullptr;
    std::size_t left_ = 0;
    std::size_t next_ = 256;
    std::unordered_map<std::string_view, const char*> names_;
};

struct detail::Shape {
    std::string name;
    const ClassDef* def = nullptr;
    const SlotIndex* index = nullptr;
    Store* store = nullptr;  // where its objects' names are kept
};

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

// A hash that agrees with text::iequals for any name: over folded code points.
std::size_t foldedHash(std::string_view s) noexcept {
    std::size_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const char32_t f = c < 0x80 ? text::fold(s[i++]) : text::fold(text::decode(s, i));
        h = (h ^ f) * 1099511628211ull;
    }
    return h;
}

constexpr std::size_t kInlineSlots = 96;
constexpr std::uint8_t kFar = 255;
// From this many properties an object finds names through a hash table
// rather than by comparing each one.
constexpr std::size_t kTableFrom = 16;

// Class properties whose place each object keeps.
std::size_t slotsOf(const detail::Shape& shape) noexcept {
    return shape.def ? std::min(shape.def->properties.size(), kInlineSlots) : 0;
}

std::unique_ptr<detail::Shape> makeShape(std::string name, const ClassDef* def, detail::Store* store) {
    auto s = std::make_unique<detail::Shape>();
    s->name = std::move(name);
    s->def = def;
    s->index = detail::indexFor(def);
    s->store = store;
    return s;
}

// A standalone object's class and names.
struct OwnShape {
    detail::Shape shape;
    detail::Store store;
};
}  // namespace

// What an object lists, allocated with its first property.
struct Instance::Body {
    std::vector<Property> props;
    // After the repository packs its class, the properties live in the
    // class's shared block instead of props (until the next set()).
    const Property* packed = nullptr;
    std::size_t packedSize = 0;
    // Open addressing from a name to its index plus 1 (0: free), for objects
    // with many properties; the cell count is a power of two.
    std::unique_ptr<std::vector<std::uint32_t>> table;
    std::unique_ptr<OwnShape> own;  // a standalone object's shape

    // Where a read finds a class property, per slot of the class: 0 when the
    // object does not list it, else its index plus 1 (kFar: search). The
    // bytes follow the body in its one allocation.
    std::uint8_t* slots() noexcept { return reinterpret_cast<std::uint8_t*>(this + 1); }
    const std::uint8_t* slots() const noexcept { return reinterpret_cast<const std::uint8_t*>(this + 1); }

    static std::unique_ptr<Body> make(const detail::Shape& shape) {
        const std::size_t n = slotsOf(shape);
        Body* b = new (::operator new(sizeof(Body) + n)) Body();
        std::memset(b->slots(), 0, n);
        return std::unique_ptr<Body>(b);
    }
    static void operator delete(void* p) noexcept { ::operator delete(p); }

    const Property* data() const noexcept { return packed ? packed : props.data(); }
    std::size_t size() const noexcept { return packed ? packedSize : props.size(); }

    void unpack() {
        if (!packed) return;
        props.assign(packed, packed + packedSize);
        packed = nullptr;
        packedSize = 0;
    }

    // Index of a listed name, or size().
    std::size_t search(std::string_view name) const noexcept {
        const Property* p = data();
        const std::size_t n = size();
        if (!table) {
            for (std::size_t i = 0; i < n; ++i)
                if (text::iequals(p[i].name(), name)) return i;
            return n;
        }
        const std::size_t mask = table->size() - 1;
        for (std::size_t h = foldedHash(name) & mask;; h = (h + 1) & mask) {
            const std::uint32_t cell = (*table)[h];
            if (cell == 0) return n;
            if (text::iequals(p[cell - 1].name(), name)) return cell - 1;
        }
    }

    void add(const char* name, Value v) {
        props.push_back({name, std::move(v)});
        const std::size_t n = props.size();
        if (n < kTableFrom) return;
        if (!table || n * 2 > table->size()) {
            std::size_t cells = 64;
            while (cells < n * 4) cells *= 2;
            table = std::make_unique<std::vector<std::uint32_t>>(cells, 0u);
            for (std::size_t i = 0; i < n; ++i) place(i);
        } else {
            place(n - 1);
        }
    }

private:
    void place(std::size_t i) {
        const std::size_t mask = table->size() - 1;
        std::size_t h = foldedHash(props[i].name()) & mask;
        while ((*table)[h] != 0) h = (h + 1) & mask;
        (*table)[h] = static_cast<std::uint32_t>(i + 1);
    }
};

// What keeps millions of empty objects within memory.
static_assert(sizeof(Instance) <= 3 * sizeof(void*), "an object is its vtable, its shape and its body");

Instance::Instance(const detail::Shape* shape) noexcept : shape_(shape) {}

Instance::Instance(std::string className, const ClassDef* def) {
    auto own = std::make_unique<OwnShape>();
    own->shape.name = std::move(className);
    own->shape.def = def;
    own->shape.index = detail::indexFor(def);
    own->shape.store = &own->store;
    shape_ = &own->shape;
    body_ = Body::make(*shape_);
    body_->own = std::move(own);
}

Instance::~Instance() = default;
Instance::Instance(Instance&&) noexcept = default;
Instance& Instance::operator=(Instance&&) noexcept = default;

std::string Instance::className() const { return shape_->name; }
const ClassDef* Instance::definition() const noexcept { return shape_->def; }

std::span<const Instance::Property> Instance::properties() const noexcept {
    if (!body_) return {};
    return {body_->data(), body_->size()};
}

const Value* Instance::lookup(std::string_view name, bool& inClass) const noexcept {
    const int slot = classSlot(shape_->def, shape_->index, name);
    inClass = slot >= 0;
    if (!body_) return nullptr;
    if (slot >= 0 && static_cast<std::size_t>(slot) < slotsOf(*shape_)) {
        const std::uint8_t k = body_->slots()[static_cast<std::size_t>(slot)];
        if (k == 0) return nullptr;
        if (k != kFar) return &body_->data()[k - 1u].value;
    }
    const std::size_t i = body_->search(name);
    return i < body_->size() ? &body_->data()[i].value : nullptr;
}

void Instance::set(std::string_view name, Value v) {
    put(classSlot(shape_->def, shape_->index, name), name, nullptr, std::move(v));
}

void Instance::put(int slot, std::string_view name, const char* listedName, Value v) {
    if (!body_) body_ = Body::make(*shape_);
    Body& b = *body_;
    b.unpack();
    // Class properties are listed under the schema's spelling.
    auto listed = [&] {
        if (listedName) return listedName;
        return shape_->store->intern(
            slot >= 0 ? std::string_view(shape_->def->properties[static_cast<std::size_t>(slot)].name) : name);
    };
    if (slot >= 0 && static_cast<std::size_t>(slot) < slotsOf(*shape_)) {
        std::uint8_t& k = b.slots()[static_cast<std::size_t>(slot)];
        if (k != 0 && k != kFar) {
            b.props[k - 1u].value = std::move(v);
            return;
        }
        if (k == 0) {
            b.add(listed(), std::move(v));
            k = b.props.size() < kFar ? static_cast<std::uint8_t>(b.props.size()) : kFar;
            return;
        }
    }
    if (const std::size_t i = b.search(name); i < b.props.size()) {
        b.props[i].value = std::move(v);
        return;
    }
    b.add(listed(), std::move(v));
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
    const ClassDef* def = shape_->def;
    const auto listed = properties();
    if (def) {
        out.reserve(def->properties.size());
        for (const PropertyDef& p : def->properties) out.push_back(p.name);
        for (const Property& p : listed)
            if (classSlot(def, shape_->index, p.name()) < 0) out.emplace_back(p.name());
    } else {
        out.reserve(listed.size());
        for (const Property& p : listed) out.emplace_back(p.name());
    }
    return out;
}

// ---------------------------------------------------------- Repository ----

namespace {
// Objects of one class in chunks that never move: references stay valid, and
// the objects of a chunk lie next to each other for walks in order. Chunks
// grow with the class, so that a class of one object costs one object.
class ObjectStore {
public:
    Instance& push(Instance&& o) {
        if (chunks_.empty() || chunks_.back()->size() == chunks_.back()->capacity()) {
            chunks_.push_back(std::make_unique<std::vector<Instance>>());
            chunks_.back()->reserve(std::clamp<std::size_t>(size_, 4, kChunk));
        }
        ++size_;
        return chunks_.back()->emplace_back(std::move(o));
    }
    std::size_t size() const noexcept { return size_; }
    // The objects from the one at `start` on, chunk by chunk.
    void runsFrom(std::size_t start, std::vector<std::span<const Instance>>& out) const {
        std::size_t first = 0;
        for (const auto& c : chunks_) {
            const std::size_t k = start > first ? start - first : 0;
            if (k < c->size()) out.emplace_back(c->data() + k, c->size() - k);
            first += c->size();
        }
    }
    bool empty() const noexcept { return size_ == 0; }
    // Calls f on the objects from the one at `start` on, in order.
    template <class F>
    void forEachFrom(std::size_t start, F&& f) {
        std::size_t first = 0;
        for (const auto& c : chunks_) {
            for (std::size_t k = start > first ? start - first : 0; k < c->size(); ++k) f((*c)[k]);
            first += c->size();
        }
    }

private:
    static constexpr std::size_t kChunk = 256;
    std::vector<std::unique_ptr<std::vector<Instance>>> chunks_;
    std::size_t size_ = 0;
};
}  // namespace

struct Repository::Impl {
    detail::Store texts;  // first: the objects point into it
    struct ClassStore {
        std::unique_ptr<detail::Shape> shape;
        ObjectStore objects;
        std::size_t packed = 0;  // objects whose properties lie in a block
        std::vector<std::unique_ptr<std::vector<Instance::Property>>> blocks;

        // Moves the properties of the objects filled since the last walk
        // into one block, in object order: walks over large classes then
        // read memory in order instead of chasing scattered allocations.
        void pack() {
            std::size_t total = 0;
            objects.forEachFrom(packed, [&](Instance& o) {
                if (o.body_ && !o.body_->packed) total += o.body_->props.size();
            });
            const std::size_t from = packed;
            packed = objects.size();
            if (total == 0) return;
            auto block = std::make_unique<std::vector<Instance::Property>>();
            block->reserve(total);
            objects.forEachFrom(from, [&](Instance& o) {
                if (!o.body_ || o.body_->packed || o.body_->props.empty()) return;
                Instance::Body& b = *o.body_;
                const std::size_t start = block->size();
                for (auto& p : b.props) block->push_back(std::move(p));
                b.packedSize = b.props.size();
                b.packed = block->data() + start;
                std::vector<Instance::Property>().swap(b.props);
            });
            blocks.push_back(std::move(block));
        }

        // Moves one object's properties to the end of the class's open
        // block, starting another when it is full (a block never grows,
        // so that what objects point to stays put).
        void packOne(Instance& o) {
            Instance::Body& b = *o.body_;
            const std::size_t n = b.props.size();
            room(n);
            const std::size_t start = open->size();
            for (auto& p : b.props) open->push_back(std::move(p));
            b.packedSize = n;
            b.packed = open->data() + start;
            std::vector<Instance::Property>().swap(b.props);
        }
        // The open block, with room for n more properties.
        std::vector<Instance::Property>& room(std::size_t n) {
            if (open == nullptr || open->capacity() - open->size() < n) {
                // Blocks grow with the class, so that a small class stays small.
                auto block = std::make_unique<std::vector<Instance::Property>>();
                block->reserve(std::max(open ? std::min(2 * open->capacity(), kOpenBlock) : n, n));
                open = block.get();
                blocks.push_back(std::move(block));
            }
            return *open;
        }
        static constexpr std::size_t kOpenBlock = 4096;
        std::vector<Instance::Property>* open = nullptr;  // the block packOne() fills
    };
    std::vector<std::unique_ptr<ClassStore>> classes;
    std::unordered_map<std::string, std::size_t> byName;  // folded name -> index
    ClassStore* last = nullptr;                           // the class of the last object added whole, by that name
    std::string lastName;
    // The names of that object, with their class slots and kept names: the
    // objects of a class mostly list the same names in one order.
    struct Listed {
        std::string name;
        int slot = -1;
        const char* kept = nullptr;
    };
    std::vector<Listed> lastSlots;
    Loader loader;
    std::unordered_set<std::string> loaded;  // folded names

    // The class's store, created on first use.
    ClassStore* ensure(std::string_view className) {
        std::string key = text::lower(className);
        auto it = byName.find(key);
        if (it != byName.end()) return classes[it->second].get();
        auto cs = std::make_unique<ClassStore>();
        const ClassDef* def = knownClass(className);
        cs->shape = makeShape(def ? def->name : std::string(className), def, &texts);
        byName.emplace(std::move(key), classes.size());
        classes.push_back(std::move(cs));
        return classes.back().get();
    }

    ClassStore* store(std::string_view name) {
        auto it = byName.find(text::lower(name));
        return it == byName.end() ? nullptr : classes[it->second].get();
    }
};

Repository::Repository() : impl_(std::make_unique<Impl>()) {}
Repository::~Repository() = default;

Instance& Repository::add(std::string_view className) {
    Impl::ClassStore* s = impl_->ensure(className);
    return s->objects.push(Instance(s->shape.get()));
}

Value Repository::keep(Value::Kind kind, std::string_view text) {
    return Value::borrowed(kind, text.size() <= Value::kInlineText ? text : impl_->texts.keep(text));
}

Instance& Repository::add(std::string_view className, std::span<Instance::Field> properties) {
    Impl::ClassStore* s = impl_->last;
    if (!s || impl_->lastName != className) {
        s = impl_->ensure(className);
        impl_->last = s;
        impl_->lastName = className;
        impl_->lastSlots.clear();
    }
    Instance& o = s->objects.push(Instance(s->shape.get()));
    if (properties.empty()) return o;
    o.body_ = Instance::Body::make(*o.shape_);
    Instance::Body& b = *o.body_;
    const detail::Shape& shape = *s->shape;
    const std::size_t slots = slotsOf(shape);
    // An object of a few properties is filled as put() would fill it, but
    // straight in the class's open block: no list of its own, nothing moved
    // twice. Larger ones (which need a name table) go through put().
    std::vector<Instance::Property>* block = properties.size() < kTableFrom ? &s->room(properties.size()) : nullptr;
    const std::size_t start = block ? block->size() : 0;
    for (std::size_t i = 0; i < properties.size(); ++i) {
        auto& [name, value] = properties[i];
        if (i == impl_->lastSlots.size()) impl_->lastSlots.emplace_back();
        Impl::Listed& last = impl_->lastSlots[i];
        if (last.name != name || !last.kept) {
            last.name = name;
            last.slot = classSlot(shape.def, shape.index, name);
            last.kept = impl_->texts.intern(
                last.slot >= 0 ? std::string_view(shape.def->properties[static_cast<std::size_t>(last.slot)].name)
                               : name);
        }
        if (!block) {
            o.put(last.slot, name, last.kept, std::move(value));
            continue;
        }
        Instance::Property* listed = block->data() + start;
        const std::size_t n = block->size() - start;
        if (last.slot >= 0 && static_cast<std::size_t>(last.slot) < slots) {
            std::uint8_t& k = b.slots()[static_cast<std::size_t>(last.slot)];
            if (k == 0) {
                block->push_back({last.kept, std::move(value)});
                k = static_cast<std::uint8_t>(n + 1);  // below kTableFrom, so below kFar
                continue;
            }
            if (k != kFar) {
                listed[k - 1u].value = std::move(value);
                continue;
            }
        }
        std::size_t j = 0;
        while (j < n && !text::iequals(listed[j].name(), name)) ++j;
        if (j < n) listed[j].value = std::move(value);
        else block->push_back({last.kept, std::move(value)});
    }
    if (block) {
        b.packed = block->data() + start;
        b.packedSize = block->size() - start;
    } else {
        s->packOne(o);
    }
    return o;
}

void Repository::setLoader(Loader loader) { impl_->loader = std::move(loader); }

std::vector<std::string> Repository::classNames() const {
    std::vector<std::string> out;
    for (const auto& c : impl_->classes)
        if (!c->objects.empty()) out.push_back(c->shape->name);
    return out;
}

std::vector<std::span<const Instance>> Repository::runsOf(std::string_view className) {
    std::vector<std::string> read{std::string(className)};
    for (auto& s : subclassesOf(className)) read.push_back(std::move(s));
    if (impl_->loader) {
        for (const std::string& c : read) {
            // Marked before the call: a loader runs at most once per class,
            // even when it fails.
            if (impl_->loaded.insert(text::lower(c)).second) impl_->loader(*this, c);
        }
    }
    std::vector<std::span<const Instance>> out;
    for (const std::string& c : read)
        if (Impl::ClassStore* s = impl_->store(c)) {
            if (s->packed < s->objects.size()) s->pack();
            s->objects.runsFrom(0, out);
        }
    return out;
}

std::vector<const Instance*> Repository::objectsOf(std::string_view className) {
    std::vector<const Instance*> out;
    for (std::span<const Instance> run : runsOf(className))
        for (const Instance& o : run) out.push_back(&o);
    return out;
}

// ------------------------------------------------------------- service ----

namespace {

// A result with a select list: only the selected properties can be read.
// One view per collection, re-aimed at each object the walk yields.
class Projection final : public Object {
public:
    void aim(const Instance* o) { object_ = o; }
    void setNames(std::vector<std::string> n) {
        names_ = std::make_shared<const std::vector<std::string>>(std::move(n));
    }

    const Value& get(std::string_view name) const override {
        for (const std::string& n : *names_)
            if (text::iequals(n, name)) return object_->get(n);
        fail::raise(fail::kNotSupported);
    }
    const Value* find(std::string_view name) const override {
        for (const std::string& n : *names_)
            if (text::iequals(n, name)) return object_->find(n);
        return nullptr;
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
        while (run_ < runs_.size()) {
            if (pos_ == runs_[run_].size()) {
                ++run_;
                pos_ = 0;
                continue;
            }
            const Instance* o = &runs_[run_][pos_++];
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
        runs_ = repo_->runsOf(q.className);
        if (!def && runs_.empty()) fail::raiseService(fail::kWbemInvalidClass);
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
    std::vector<std::span<const Instance>> runs_;  // the objects, in place
    std::size_t run_ = 0, pos_ = 0;
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
