// Recorded machine trees for the provider's tests: a temporary folder laid
// out as / is (sysfs attributes, links, /proc and /etc files), and helpers to
// query the provider over it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "platform/linux/provider.h"
#include "wmi/repository.h"

namespace tq::linuxprov::testing {

namespace fs = std::filesystem;

class Tree {
public:
    Tree() {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("tq-tree-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root_);
    }
    ~Tree() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    std::string root() const { return root_.string(); }

    // A file; `rel` starts with "/".
    Tree& file(const std::string& rel, const std::string& content) {
        fs::path p = root_.string() + rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return *this;
    }
    // Several attribute files of one folder, each with a newline appended.
    Tree& attrs(const std::string& dir, std::initializer_list<std::pair<const char*, std::string>> values) {
        for (const auto& [k, v] : values) file(dir + "/" + k, v + "\n");
        return *this;
    }
    // A symbolic link at `rel` pointing to `target` (relative as sysfs writes them).
    Tree& link(const std::string& rel, const std::string& target) {
        fs::path p = root_.string() + rel;
        fs::create_directories(p.parent_path());
        std::error_code ec;
        fs::remove(p, ec);
        fs::create_symlink(target, p);
        return *this;
    }
    // A link from `rel` to the absolute-in-tree path `to`, written relative.
    Tree& linkTo(const std::string& rel, const std::string& to) {
        fs::create_directories(root_.string() + to);
        // The relative form, from the link's folder to the target, by components.
        fs::path from = fs::path(rel).parent_path(), target(to);
        auto f = from.begin(), t = target.begin();
        while (f != from.end() && t != target.end() && *f == *t) ++f, ++t;
        fs::path r;
        for (; f != from.end(); ++f) r /= "..";
        for (; t != target.end(); ++t) r /= *t;
        return link(rel, r.string());
    }
    Tree& copy(const std::string& from, const std::string& rel) {
        fs::path p = root_.string() + rel;
        fs::create_directories(p.parent_path());
        fs::copy_file(from, p, fs::copy_options::overwrite_existing);
        return *this;
    }

private:
    fs::path root_;
};

// ATA IDENTIFY words as sysfs prints them: 8 hex words a line.
inline std::string identify(const std::string& model, const std::string& fw, const std::string& serial, bool atapi) {
    std::vector<unsigned> w(256, 0);
    w[0] = atapi ? 0x85C0 : 0x0040;
    auto put = [&](std::size_t from, std::size_t words, std::string s) {
        s.resize(words * 2, ' ');
        for (std::size_t i = 0; i < words; ++i)
            w[from + i] = (static_cast<unsigned char>(s[2 * i]) << 8) | static_cast<unsigned char>(s[2 * i + 1]);
    };
    put(10, 10, serial);
    put(23, 4, fw);
    put(27, 20, model);
    std::string out;
    char buf[8];
    for (std::size_t i = 0; i < w.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%04x", w[i]);
        out += buf;
        out += (i + 1) % 8 ? ' ' : '\n';
    }
    return out;
}

using Row = std::map<std::string, Value>;

// Runs a query through the provider's repository over `root`.
inline std::vector<Row> query(const std::string& root, const std::string& wql) {
    auto service = wmi::makeService(makeRepository(root));
    auto result = service->execQuery(wql, "WQL", wmi::kProbeFlags);
    std::vector<Row> rows;
    while (const wmi::Object* o = result->next()) {
        Row r;
        for (const auto& n : o->names()) r[n] = o->get(n);
        rows.push_back(std::move(r));
    }
    return rows;
}

inline std::string text(const Row& r, const std::string& name) {
    auto it = r.find(name);
    return it != r.end() && it->second.isText() ? it->second.rawText() : std::string("<absent>");
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

}  // namespace tq::linuxprov::testing
