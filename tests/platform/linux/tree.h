// Recorded machine trees for the provider's tests (tree_files.h) and helpers
// to query the provider over them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "extensions.h"
#include "platform/linux/provider.h"
#include "tree_files.h"
#include "wmi/repository.h"

namespace tq::linuxprov::testing {

using Row = std::map<std::string, Value>;

// Runs a query through the provider's repository over `root`. Every
// property of every object answered must be its class's or one of our
// additions (extensions.h): a misspelt name fails whichever test meets it.
inline std::vector<Row> query(const std::string& root, const std::string& wql, RefusedTable refused = {}) {
    auto service = wmi::makeService(makeRepository(root, {}, std::move(refused)));
    auto result = service->execQuery(wql, "WQL", wmi::kProbeFlags);
    std::vector<Row> rows;
    while (const wmi::Object* o = result->next()) {
        Row r;
        const wmi::ClassDef* def = wmi::knownClass(o->className());
        for (const auto& n : o->names()) {
            r[n] = o->get(n);
            if (!(def && def->property(n)) && !isExtension(o->className(), n))
                ADD_FAILURE() << o->className() << "." << n << " is neither the class's nor an extension";
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

// A text, an array's JSON text, or a Boolean's "True" or "False".
inline std::string text(const Row& r, const std::string& name) {
    auto it = r.find(name);
    if (it != r.end() && it->second.isBoolean()) return it->second.str();
    return it != r.end() && (it->second.isText() || it->second.isOther()) ? it->second.rawText()
                                                                          : std::string("<absent>");
}

inline long long integer(const Row& r, const std::string& name) {
    auto it = r.find(name);
    return it != r.end() && it->second.isInteger() ? it->second.rawInteger() : -999999;
}

inline bool has(const Row& r, const std::string& name) {
    auto it = r.find(name);
    return it != r.end() && !it->second.isAbsent();
}

// What a query answers: its row count and chosen properties, each a text (a
// trailing "*" matches a prefix), an integer or nullptr for absent.
struct Want {
    std::size_t row;
    const char* property;
    std::variant<const char*, long long, std::nullptr_t> value;
};
struct Answer {
    const char* wql;
    std::size_t count;
    std::vector<Want> wants;
};

inline void expectAnswers(const std::string& root, const std::vector<Answer>& answers) {
    for (const Answer& a : answers) {
        SCOPED_TRACE(a.wql);
        const auto rows = query(root, a.wql);
        EXPECT_EQ(rows.size(), a.count);
        for (const Want& w : a.wants) {
            SCOPED_TRACE(std::to_string(w.row) + " " + w.property);
            if (w.row >= rows.size()) {
                ADD_FAILURE() << "no row " << w.row;
            } else if (auto* n = std::get_if<long long>(&w.value)) {
                EXPECT_EQ(integer(rows[w.row], w.property), *n);
            } else if (auto* s = std::get_if<const char*>(&w.value)) {
                std::string want = *s, got = text(rows[w.row], w.property);
                if (!want.empty() && want.back() == '*') {
                    want.pop_back();
                    got = got.substr(0, want.size());
                }
                EXPECT_EQ(got, want);
            } else {
                EXPECT_FALSE(has(rows[w.row], w.property));
            }
        }
    }
}

// A firmware table's structure: type, the formatted bytes after the 4-byte
// header, its strings.
inline std::string structure(std::uint8_t type, std::uint16_t handle, const std::string& body,
                             const std::vector<std::string>& strings) {
    std::string s{static_cast<char>(type), static_cast<char>(4 + body.size()), static_cast<char>(handle & 0xFF),
                  static_cast<char>(handle >> 8)};
    s += body;
    for (const auto& str : strings) s += str + '\0';
    if (strings.empty()) s.push_back('\0');
    s.push_back('\0');
    return s;
}

}  // namespace tq::linuxprov::testing
