// A lookup by key in one query's result, "the first object whose key is K",
// answered for every K of a run from one walk over the result, with exactly
// what a walk of its own over the result would give: the answer of the first
// match in the service's order, and as pending failure the last failure that
// walk would have trapped before it stopped (reading a key or an answer, or
// the walk's own failure after k objects; a query or bind that failed ends
// the walk at its start). Within a run the walk is made once and indexed as
// far as the lookups so far needed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "wmi/run.h"
#include "wmi/service.h"

namespace tq::wmi {

class Search {
public:
    // How keys compare: exactly, or as WQL's "=" compares texts (letter case ignored).
    enum class Match { Exact, IgnoringCase };
    // An object's key, nullopt when it matches no key. May throw: the
    // object is then passed over, its failure pending.
    using KeyOf = std::function<std::optional<std::string>(const Object&)>;
    // What a matching object answers, nullopt to go on looking. May throw:
    // the walk goes on, the failure pending.
    using AnswerOf = std::function<std::optional<std::string>(const Object&)>;

    Search(std::string_view moniker, std::string query, Match match, KeyOf key, AnswerOf answer);

    // The answer for `key`, nullopt when no object gives one. Leaves the
    // failure the walk would have met pending (and the pending failure as it
    // was when there is none).
    std::optional<std::string> find(Run& run, std::string_view key) const;

    struct Index;

private:
    std::string moniker_;
    std::string query_;
    Match match_;
    KeyOf key_;
    AnswerOf answer_;
};

// Keys and answers as the lookups read them: a text value's text (nullopt
// for other kinds), a non-empty text's text, and the text WQL compares a
// value as (nullopt for an absent value or a kind without one).
std::optional<std::string> ifText(const Value& v);
std::optional<std::string> ifNonEmptyText(const Value& v);
std::optional<std::string> wqlText(const Value& v);

}  // namespace tq::wmi
