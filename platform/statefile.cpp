// What the small-file helpers of both platforms share; the file primitives
// are in platform/posix/statefile.cpp and platform/windows/statefile.cpp.
#include "platform/statefile.h"

#include "platform/replacefile.h"

namespace tq::platform {
namespace {

// Closes a temporary however replaceFile ends, and removes it unless it
// took the target's name.
struct Discard {
    detail::Temporary& temp;
    bool placed = false;
    ~Discard() {
        detail::closeFile(temp.handle);
        if (!placed) detail::removeFile(temp.name);
    }
};

}  // namespace

void replaceFile(const std::string& path, std::string_view content) {
    detail::refuseUnlessRegular(path);
    // The earlier file keeps its name until the whole new content is on the
    // disk beside it.
    detail::Temporary temp = detail::createTemporary(path);
    Discard discard{temp};
    detail::FileError err = detail::writeAll(temp.handle, content);
    if (!err) err = detail::moveOver(temp.handle, temp.name, path);
    if (err) detail::raise("cannot write " + path, err);
    discard.placed = true;
    if (const detail::FileError closing = detail::closeFile(temp.handle))
        detail::raise("cannot write " + path, closing);
}

// Six letters and digits after a dot, as createTemporary names them.
std::string_view temporaryTarget(std::string_view name) {
    if (name.size() < 8 || name[name.size() - 7] != '.') return {};
    for (std::size_t i = name.size() - 6; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return {};
    }
    return name.substr(0, name.size() - 7);
}

void removeAbandonedTemporaries(const std::string& path) noexcept {
#ifdef _WIN32
    constexpr const char* kSeparators = "\\/";
#else
    constexpr const char* kSeparators = "/";
#endif
    try {
        const std::size_t sep = path.find_last_of(kSeparators);
        const std::string folder = sep == std::string::npos ? "." : path.substr(0, sep + 1);
        const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
        for (const std::string& n : folderNames(folder, 100000))
            if (!name.empty() && temporaryTarget(n) == name) removeIfUnheld(joinPath(folder, n));
    } catch (...) {
    }
}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = other.handle_;
        other.handle_ = kNone;
    }
    return *this;
}

}  // namespace tq::platform
