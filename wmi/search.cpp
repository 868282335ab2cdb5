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
        std::size_t found = kEnd;  // where the first answer stands
        std::size_t answer = 0;    // in answers
        std::size_t failure = kEnd;  // in failures: the last one before the answer
    };

    const Search& search;
    ServicePtr service;
    CollectionPtr result;
    bool ended = false;
    std::optional<Failure> endFailure;  // what ended the walk, if it failed
    std::size_t walked = 0;
    std::vector<Trapped> keyFailures;  // in walk order
    std::unordered_map<std::string, Key> keys;
    std::vector<std::string> answers;
    std::vector<Trapped> failures;

    Index(const Search& s, Run& run) : search(s) {
        trap::Trap& t = run.trap;
        t.step([&] { service = run.bind(s.moniker_); });
        t.step([&] { result = execQuery(service, s.query_); });
    }

    std::string keyOf(std::string k) const {
        return search.match_ == Match::IgnoringCase ? text::foldKey(k) : std::move(k);
    }

    // Walks one object further. False at the end of the walk; `answered`
    // is the key that object answered for, if any.
    bool walkOne(trap::Trap& t, const std::string*& answered) {
        answered = nullptr;
        if (ended) return false;
        const Object* o = nullptr;
        if (!t.step([&] {
                if (!result) fail::raise(fail::kObjectRequired);
                o = result->next();
            })) {
            endFailure = t.pending();
        }
        if (!o) {
            ended = true;
            return false;
        }
        const std::size_t at = walked++;
        std::optional<std::string> k;
        if (!t.step([&] { k = search.key_(*o); })) {
            keyFailures.push_back({at, t.pending()});
            return true;
        }
        if (!k) return true;
        auto [it, added] = keys.try_emplace(keyOf(std::move(*k)));
        Key& entry = it->second;
        if (entry.found != kEnd) return true;
        std::optional<std::string> answer;
        if (!t.step([&] { answer = search.answer_(*o); })) {
            entry.failure = failures.size();
            failures.push_back({at, t.pending()});
        } else if (answer) {
            entry.found = at;
            entry.answer = answers.size();
            answers.push_back(std::move(*answer));
            answered = &it->first;
        }
        return true;
    }

    std::optional<std::string> find(trap::Trap& t, std::string_view key) {
        const Failure before = t.pending();
        const std::string k = keyOf(std::string(key));
        auto it = keys.find(k);
        if (it == keys.end() || it->second.found == kEnd) {
            const std::string* answered = nullptr;
            while (walkOne(t, answered))
                if (answered && *answered == k) break;
            it = keys.find(k);
        }
        t.setPending(before);

        const Key* entry = it != keys.end() ? &it->second : nullptr;
        const std::size_t stop = entry ? entry->found : kEnd;
        // The last failure the walk of its own would have trapped before `stop`.
        const Trapped* last = nullptr;
        auto later = [&](const Trapped* t) {
            if (t && (!last || t->at > last->at)) last = t;
        };
        if (entry && entry->failure != kEnd) later(&failures[entry->failure]);
        auto firstAfter = std::lower_bound(keyFailures.begin(), keyFailures.end(), stop,
                                           [](const Trapped& t, std::size_t at) { return t.at < at; });
        if (firstAfter != keyFailures.begin()) later(&*std::prev(firstAfter));
        const Trapped end{kEnd, endFailure.value_or(Failure{})};
        if (stop == kEnd && endFailure) later(&end);
        if (last) t.setPending(last->failure);

        if (stop == kEnd) return std::nullopt;
        return answers[entry->answer];
    }
};

Search::Search(std::string_view moniker, std::string query, Match match, KeyOf key, AnswerOf answer)
    : moniker_(moniker), query_(std::move(query)), match_(match), key_(std::move(key)), answer_(std::move(answer)) {}

std::optional<std::string> Search::find(Run& run, std::string_view key) const {
    trap::Trap& t = run.trap;
    std::shared_ptr<void>& memory = run.memory(this);
    if (!memory) {
        const Failure before = t.pending();
        memory = std::make_shared<Index>(*this, run);
        t.setPending(before);
    }
    return static_cast<Index*>(memory.get())->find(t, key);
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
