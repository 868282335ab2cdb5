// Recorded machine trees: a temporary folder laid out as / is (sysfs
// attributes, links, /proc and /etc files). Free of the test framework, so
// that the benchmarks build trees too.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

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

}  // namespace tq::linuxprov::testing
