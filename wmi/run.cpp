#include "wmi/run.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "wmi/wql.h"

namespace tq::wmi {
namespace {

// One query's answer in a run: the objects the service has given so far,
// kept, and the live result to pull more from, until its end or failure.
class Answer {
public:
    Answer(std::shared_ptr<Service> service, CollectionPtr live)
        : service_(std::move(service)), live_(std::move(live)) {}

    // The i-th object, pulled from the service when no walk has gone this
    // far yet; nullptr past the end. Throws the failure that ended the walk.
    const Object* at(std::size_t i) {
        while (i >= objects_.size()) {
            if (end_) throw Error(*end_);
            if (!live_) return nullptr;
            const Object* o = nullptr;
            try {
                o = live_->next();
            } catch (const Error& e) {
                end_ = e.failure();
                live_.reset();
                throw;
            }
            if (!o) {
                live_.reset();
                return nullptr;
            }
            std::shared_ptr<const Object> kept = o->keep();
            if (kept.use_count() > 0) owned_.push_back(kept);  // a copy, else the object itself
            objects_.push_back(kept.get());
        }
        return objects_[i];
    }

private:
    std::shared_ptr<Service> service_;  // what the kept objects may live in
    CollectionPtr live_;
    // In blocks, never copied whole as it grows: a class of millions of
    // objects costs a pointer per object.
    std::deque<const Object*> objects_;
    std::vector<std::shared_ptr<const Object>> owned_;
    std::optional<Failure> end_;
};

// A query by what it asks: two WQL texts that differ only in the letter
// case of keywords and names or in blanks share the key; literals count as
// written. A text the parser refuses is keyed as it stands.
std::string queryKey(std::string_view text, std::string_view language) {
    if (text::iequals(language, "WQL")) {
        try {
            return "WQL\n" + wql::canonicalText(wql::parse(text));
        } catch (const Error&) {
        }
    }
    return "text\n" + std::string(language) + '\n' + std::string(text);
}

// A walk over a kept answer: the run's stand-in for a query's result.
class Replay final : public Collection {
public:
    explicit Replay(std::shared_ptr<Answer> answer) : answer_(std::move(answer)) {}
    const Object* next() override {
        const Object* o = answer_->at(pos_);
        if (o) ++pos_;
        return o;
    }

private:
    std::shared_ptr<Answer> answer_;
    std::size_t pos_ = 0;
};

// The run's one connection to a namespace and the answers it has received.
class Connection {
public:
    explicit Connection(std::shared_ptr<Service> service) : service_(std::move(service)) {}

    CollectionPtr query(std::string_view text, std::string_view language, int flags) {
        std::string key = std::to_string(flags) + '\n' + queryKey(text, language);
        auto it = answers_.find(key);
        if (it == answers_.end()) {
            Sent sent;
            try {
                sent.answer = std::make_shared<Answer>(service_, service_->execQuery(text, language, flags));
            } catch (const Error& e) {
                sent.failure = e.failure();
            }
            it = answers_.emplace(std::move(key), std::move(sent)).first;
        }
        if (it->second.failure) throw Error(*it->second.failure);
        return std::make_unique<Replay>(it->second.answer);
    }

private:
    struct Sent {
        std::shared_ptr<Answer> answer;
        std::optional<Failure> failure;  // ExecQuery's own
    };
    std::shared_ptr<Service> service_;
    std::map<std::string, Sent> answers_;
};

// What a bind in the run hands out: the connection, under the Service face.
class RunService final : public Service {
public:
    explicit RunService(std::shared_ptr<Connection> c) : c_(std::move(c)) {}
    CollectionPtr execQuery(std::string_view query, std::string_view language, int flags) override {
        return c_->query(query, language, flags);
    }

private:
    std::shared_ptr<Connection> c_;
};

// The namespace a moniker names, as a key: its security settings, locale
// and "!" dropped, "\\.\" taken for the local machine, letter case ignored.
std::string namespaceKey(std::string_view moniker) {
    constexpr std::string_view kScheme = "winmgmts:";
    if (moniker.size() >= kScheme.size() && text::iequals(moniker.substr(0, kScheme.size()), kScheme))
        moniker.remove_prefix(kScheme.size());
    for (auto [open, close] : {std::pair{'{', '}'}, std::pair{'[', ']'}}) {
        if (moniker.empty() || moniker.front() != open) continue;
        const std::size_t end = moniker.find(close);
        if (end == std::string_view::npos) break;
        moniker.remove_prefix(end + 1);
    }
    if (!moniker.empty() && moniker.front() == '!') moniker.remove_prefix(1);
    std::string key = text::lower(moniker);
    for (char& c : key)
        if (c == '/') c = '\\';
    for (std::string_view local : {"\\\\.\\", "\\\\localhost\\"})
        if (key.rfind(local, 0) == 0) key.erase(0, local.size());
    return key.empty() ? "root\\cimv2" : key;
}

}  // namespace

struct Run::State {
    Binder binder;
    struct Bound {
        std::shared_ptr<Connection> connection;
        std::optional<Failure> failure;
    };
    std::map<std::string, Bound> byNamespace;
    std::map<const void*, std::shared_ptr<void>> memory;
};

Run::Run(Binder binder) : state_(std::make_unique<State>()) {
    state_->binder = binder ? std::move(binder) : Binder(bindUnavailable);
}

Run::~Run() = default;

// The run's connection to the moniker's namespace, made by its first bind.
ServicePtr Run::bind(std::string_view moniker) {
    State::Bound& b = state_->byNamespace[namespaceKey(moniker)];
    if (!b.connection && !b.failure) {
        try {
            ServicePtr s = state_->binder(moniker);
            if (!s) fail::raise(fail::kObjectRequired);
            b.connection = std::make_shared<Connection>(std::shared_ptr<Service>(std::move(s)));
        } catch (const Error& e) {
            b.failure = e.failure();
        }
    }
    if (b.failure) throw Error(*b.failure);
    return std::make_unique<RunService>(b.connection);
}

std::shared_ptr<void>& Run::memory(const void* owner) { return state_->memory[owner]; }

}  // namespace tq::wmi
