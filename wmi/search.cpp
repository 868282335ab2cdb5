#include "wmi/search.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "wmi/run.h"
#include "wmi/trap.h"
#include "wmi/wql.h"

namespace tq::wmi {

// The walk over the result, indexed by key as far as it has gone. Positions
// count the objects of the walk from 0.
struct Search::Index {
    static constexpr std::size_t kEnd = std::numeric_limits<std::size_t>::max();
    struct Trapped {
        std::size_t at;
        Failure failure;
    };
    struct Key {
        std::optional<std::size_t> found;  // where the first answer stands
        std::string answer;
        std::optional<Trapped> failure;  // the last one before the answer
    };

    const Search& search;
    ServicePtr service;
    CollectionPtr result;
    bool ended = false;
    std::optional<Failure> endFailure;  // what ended the walk, if it failed
    std::size_t walked = 0;
    std::vector<Trapped> keyFailures;  // in walk order
    std::unordered_map<std::string, Key> keys;

    explicit Index(const Search& s) : search(s) {
        trap::step([&] { service = wmi::bind(s.moniker_); });
        trap::step([&] { result = execQuery(service, s.query_); });
    }

    std::string keyOf(std::string k) const {
        return search.match_ == Match::IgnoringCase ? text::foldKey(k) : std::move(k);
    }

    // Walks one object further; false at the end of the walk.
    bool walkOne() {
        if (ended) return false;
        const Object* o = nullptr;
        if (!trap::step([&] {
                if (!result) fail::raise(fail::kObjectRequired);
                o = result->next();
            })) {
            endFailure = trap::pending();
        }
        if (!o) {
            ended = true;
            return false;
        }
        const std::size_t at = walked++;
        std::optional<std::string> k;
        if (!trap::step([&] { k = search.key_(*o); })) {
            keyFailures.push_back({at, trap::pending()});
            return true;
        }
        if (!k) return true;
        Key& entry = keys[keyOf(std::move(*k))];
        if (entry.found) return true;
        std::optional<std::string> answer;
        if (!trap::step([&] { answer = search.answer_(*o); })) {
            entry.failure = Trapped{at, trap::pending()};
        } else if (answer) {
            entry.found = at;
            entry.answer = std::move(*answer);
        }
        return true;
    }

    std::optional<std::string> find(std::string_view key) {
        const Failure before = trap::pending();
        const std::string k = keyOf(std::string(key));
        auto it = keys.find(k);
        while (!(it != keys.end() && it->second.found) && walkOne()) it = keys.find(k);
        trap::setPending(before);

        const Key* entry = it != keys.end() ? &it->second : nullptr;
        const std::size_t stop = entry && entry->found ? *entry->found : kEnd;
        // The last failure the walk of its own would have trapped before `stop`.
        std::optional<Trapped> last;
        auto later = [&](const std::optional<Trapped>& t) {
            if (t && (!last || t->at > last->at)) last = t;
        };
        if (entry) later(entry->failure);
        auto firstAfter = std::lower_bound(keyFailures.begin(), keyFailures.end(), stop,
                                           [](const Trapped& t, std::size_t at) { return t.at < at; });
        if (firstAfter != keyFailures.begin()) later(*std::prev(firstAfter));
        if (stop == kEnd && endFailure) later(Trapped{kEnd, *endFailure});
        if (last) trap::setPending(last->failure);

        if (stop == kEnd) return std::nullopt;
        return entry->answer;
    }
};

Search::Search(std::string_view moniker, std::string query, Match match, KeyOf key, AnswerOf answer)
    : moniker_(moniker), query_(std::move(query)), match_(match), key_(std::move(key)), answer_(std::move(answer)) {}

std::optional<std::string> Search::find(std::string_view key) const {
    if (std::shared_ptr<void>* memory = runMemory(this)) {
        if (!*memory) {
            const Failure before = trap::pending();
            *memory = std::make_shared<Index>(*this);
            trap::setPending(before);
        }
        return static_cast<Index*>(memory->get())->find(key);
    }
    const Failure before = trap::pending();
    Index once(*this);
    trap::setPending(before);
    return once.find(key);
}

std::optional<std::string> ifText(const Value& v) {
    if (!v.isText()) return std::nullopt;
    return v.rawText();
}

std::optional<std::string> ifNonEmptyText(const Value& v) {
    if (!v.isNonEmptyText()) return std::nullopt;
    return v.rawText();
}

std::optional<std::string> wqlText(const Value& v) {
    std::string s;
    if (!wql::comparedText(v, s)) return std::nullopt;
    return s;
}

}  // namespace tq::wmi
