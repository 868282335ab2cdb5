// Recorded machine trees: a temporary folder laid out as / is (sysfs
// attributes, links, /proc and /etc files), built in code or loaded from a
// text file of tests/data/trees (Tree::load). Free of the test framework, so
// that the benchmarks build trees too.
//
// A tree file holds one entry a line ('#' starts a comment line):
//   [/sys/devices/pci0000:00]   later relative paths are under this folder
//   path = value                a one-line file, newline appended; a value in
//                               double quotes may hold \" \\ \n \t (edge
//                               spaces, empty)
//   path -> target              a symbolic link: a target starting with "/" is
//                               that folder of the tree (created), written
//                               relative as sysfs does; any other as is
//   path <<END                  a file of the lines up to END, each ending in
//   ...                         a newline
//   END
//   path < edid/x.bin           a copy of a file under tests/data
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <stdexcept>
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

#ifdef TQ_SOURCE_DIR
    // Adds the entries of tests/data/trees/<name>.tree.
    Tree& load(const std::string& name) {
        const std::string data = TQ_SOURCE_DIR "/tests/data/", path = data + "trees/" + name + ".tree";
        std::ifstream in(path, std::ios::binary);
        if (!in) throw std::runtime_error("cannot read " + path);
        std::string line, folder;
        for (int number = 1; std::getline(in, line); ++number) {
            const auto fail = [&](const char* what) {
                throw std::runtime_error(path + ":" + std::to_string(number) + ": " + what);
            };
            const auto start = line.find_first_not_of(" \t");
            if (start == std::string::npos || line[start] == '#') continue;
            if (line[0] == '[') {
                if (line.size() < 3 || line[1] != '/' || line.back() != ']') fail("a folder is [/path]");
                folder = line.substr(1, line.size() - 2);
                continue;
            }
            std::size_t at = std::string::npos, length = 0;
            for (const char* sep : {" = ", " -> ", " <<", " < "}) {
                const auto p = line.find(sep);
                if (p < at) at = p, length = std::char_traits<char>::length(sep);
            }
            if (at == std::string::npos) fail("no = -> << or <");
            std::string rel = line.substr(0, at), rest = line.substr(at + length);
            const char kind = line[at + 1];
            if (rel[0] != '/') {
                if (folder.empty()) fail("a relative path outside a [folder]");
                rel = folder + "/" + rel;
            }
            if (kind == '=') {
                file(rel, unquote(rest, fail) + "\n");
            } else if (kind == '-') {
                rest[0] == '/' ? linkTo(rel, rest) : link(rel, rest);
            } else if (line.compare(at, 3, " <<") == 0) {
                std::string content;
                while (true) {
                    if (!std::getline(in, line)) fail("no end to the lines");
                    ++number;
                    if (line == rest) break;
                    content += line + "\n";
                }
                file(rel, content);
            } else {
                copy(data + rest, rel);
            }
        }
        return *this;
    }
#endif

private:
    template <typename Fail>
    static std::string unquote(const std::string& v, const Fail& fail) {
        if (v.empty() || v[0] != '"') return v;
        if (v.size() < 2 || v.back() != '"') fail("an unclosed quote");
        std::string out;
        for (std::size_t i = 1; i + 1 < v.size(); ++i) {
            if (v[i] != '\\') {
                out += v[i];
                continue;
            }
            if (i + 2 >= v.size()) fail("a lone backslash");
            const char c = v[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
        return out;
    }

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
        std::snprintf(buf, sizeof buf, "%04x%c", w[i], (i + 1) % 8 ? ' ' : '\n');
        out += buf;
    }
    return out;
}

}  // namespace tq::linuxprov::testing
