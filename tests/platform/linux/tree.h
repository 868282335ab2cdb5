// Recorded machine trees for the provider's tests: a temporary folder laid
// out as / is (sysfs attributes, links, /proc and /etc files), and helpers to
// query the provider over it.
#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

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
    Tree& dir(const std::string& rel) {
        fs::create_directories(root_.string() + rel);
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

}  // namespace tq::linuxprov::testing
