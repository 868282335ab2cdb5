// A folder of a test's own below the system's temporary folder, removed with
// everything in it, and whole-file reads for checking what landed there.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace tq::testing {

// A file's bytes; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TempDir {
public:
    TempDir() {
        namespace fs = std::filesystem;
        std::random_device random;
        fs::path p;
        do p = fs::temp_directory_path() / ("tq-test-" + std::to_string(random()));
        while (!fs::create_directory(p));
        path = p.string();
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes a file below the folder, making the folders it needs; its path.
    std::string write(const std::string& rel, const std::string& bytes) const {
        const std::string p = path + "/" + rel;
        std::filesystem::create_directories(std::filesystem::path(p).parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    std::string read(const std::string& rel) const { return readFile(path + "/" + rel); }

    std::string path;
};

}  // namespace tq::testing
