#include "wmi/search.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <cstdint>
#include <functional>
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
        std::size_t found = kEnd;    // where the first answer stands
        std::size_t answer = 0;      // in answers
        std::size_t failure = kEnd;  // in failures: the last one before the answer
    };

    const Search& search;
    ServicePtr service;
    CollectionPtr result;
    bool ended = false;
    std::optional<Failure> endFailure;  // what ended the walk, if it failed
    std::size_t walked = 0;
    std::vector<Trapped> keyFailures;  // in walk order
    // The keys met, each once: its text lies in `texts`. Found through
    // `cells`, open addressing over their indexes plus 1 (0: free), a power
    // of two of them: a walk over many objects keeps a key in a few dozen
    // bytes and no allocation of its own.
    struct Entry {
        std::size_t offset = 0, length = 0;
        std::size_t hash = 0;  // kept for when the table grows
        Key key;
    };
    std::string texts;
    std::vector<Entry> entries;
    std::vector<std::uint32_t> cells;
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

    std::string_view textOf(const Entry& e) const { return {texts.data() + e.offset, e.length}; }

    // The entry of a key, or nullptr.
    Entry* lookup(std::string_view k) {
        if (cells.empty()) return nullptr;
        const std::size_t mask = cells.size() - 1;
        const std::size_t hash = std::hash<std::string_view>()(k);
        for (std::size_t h = hash & mask;; h = (h + 1) & mask) {
            if (cells[h] == 0) return nullptr;
            Entry& e = entries[cells[h] - 1];
            if (e.hash == hash && textOf(e) == k) return &e;
        }
    }

    // The entry of a key, added when new.
    Entry& enter(std::string_view k) {
        if ((entries.size() + 1) * 2 > cells.size()) {
            std::vector<std::uint32_t>(std::max<std::size_t>(64, cells.size() * 2), 0u).swap(cells);
            const std::size_t mask = cells.size() - 1;
            for (std::size_t i = 0; i < entries.size(); ++i) {
                std::size_t h = entries[i].hash & mask;
                while (cells[h] != 0) h = (h + 1) & mask;
                cells[h] = static_cast<std::uint32_t>(i + 1);
            }
        }
        const std::size_t mask = cells.size() - 1;
        const std::size_t hash = std::hash<std::string_view>()(k);
        std::size_t h = hash & mask;
        for (; cells[h] != 0; h = (h + 1) & mask) {
            Entry& e = entries[cells[h] - 1];
            if (e.hash == hash && textOf(e) == k) return e;
        }
        entries.push_back({texts.size(), k.size(), hash, {}});
        texts.append(k);
        cells[h] = static_cast<std::uint32_t>(entries.size());
        return entries.back();
    }

    // Walks one object further. False at the end of the walk; `answered`
    // is the key that object answered for, if any.
    bool walkOne(trap::Trap& t, const Entry*& answered) {
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
        Entry& met = enter(keyOf(std::move(*k)));
        Key& entry = met.key;
        if (entry.found != kEnd) return true;
        std::optional<std::string> answer;
        if (!t.step([&] { answer = search.answer_(*o); })) {
            entry.failure = failures.size();
            failures.push_back({at, t.pending()});
        } else if (answer) {
            entry.found = at;
            entry.answer = answers.size();
            answers.push_back(std::move(*answer));
            answered = &met;
        }
        return true;
    }

    std::optional<std::string> find(trap::Trap& t, std::string_view key) {
        const Failure before = t.pending();
        const std::string k = keyOf(std::string(key));
        const Entry* met = lookup(k);
        if (!met || met->key.found == kEnd) {
            const Entry* answered = nullptr;
            while (walkOne(t, answered))
                if (answered && textOf(*answered) == k) break;
            met = lookup(k);
        }
        t.setPending(before);

        const Key* entry = met ? &met->key : nullptr;
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
