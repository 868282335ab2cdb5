#include "platform/posix/posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/codepage.h"
#include "platform/linereader.h"
#include "wmi/failure.h"

namespace tq::posix {
namespace {

constexpr const char* kAttrXattr = "user.dos.attributes";

bool isDriveLetter(const std::string& p) {
    return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

std::vector<std::string> splitBackslash(const std::string& s) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == '\\' || c == '/') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

bool iequals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The entry of `dir` named `name`, matching without regard to case when no
// exact match exists; `name` itself when nothing matches.
std::string matchEntry(const std::string& dir, const std::string& name) {
    struct stat st;
    const std::string exact = dir + (dir.empty() || dir.back() == '/' ? "" : "/") + name;
    if (::lstat(exact.c_str(), &st) == 0) return exact;
    if (DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (iequals(e->d_name, name)) {
                std::string found = dir + (dir.empty() || dir.back() == '/' ? "" : "/") + e->d_name;
                ::closedir(d);
                return found;
            }
        }
        ::closedir(d);
    }
    return exact;
}

[[noreturn]] void raiseErrno(int err, int fallback) {
    switch (err) {
    case ENOENT: fail::raise(fail::kPathNotFound);
    case EACCES:
    case EPERM:
    case EROFS: fail::raise(fail::kPermissionDenied);
    case ENOSPC: fail::raise(fail::kDiskFull);
    case EISDIR:
    case ENAMETOOLONG:
    case EINVAL: fail::raise(fail::kPathFileAccess);
    default: fail::raise(fallback);
    }
}

class FileWriter final : public platform::TextWriter {
public:
    explicit FileWriter(std::FILE* f) : f_(f) {}
    ~FileWriter() override {
        if (f_) std::fclose(f_);
    }
    void writeLine(std::string_view text) override {
        if (!f_) fail::raise(fail::kBadFileNameOrNumber);
        std::string bytes = platform::utf8ToCp1252(text);
        bytes += "\r\n";
        if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) raiseErrno(errno, fail::kDiskFull);
    }
    void close() override {
        if (!f_) return;
        std::FILE* f = f_;
        f_ = nullptr;
        if (std::fclose(f) != 0) raiseErrno(errno, fail::kDiskFull);
    }

private:
    std::FILE* f_;
};

std::string nativeDirOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

PathMap::PathMap(std::string driveC) : driveC_(std::move(driveC)) {
    while (driveC_.size() > 1 && driveC_.back() == '/') driveC_.pop_back();
    if (driveC_.empty()) driveC_ = "/";
}

std::string PathMap::toNative(const std::string& p) const {
    std::string base;
    std::string rest;
    if (isDriveLetter(p)) {
        if (p[0] != 'C' && p[0] != 'c') return "/nonexistent-drive-" + std::string(1, p[0]) + "/";
        base = driveC_;
        rest = p.substr(2);
    } else if (!p.empty() && p[0] == '\\') {
        base = driveC_;
        rest = p;
    } else if (!p.empty() && p[0] == '/') {
        base = "/";
        rest = p;
    } else {
        base = ".";
        rest = p;
    }
    std::string cur = base == "/" ? "" : base;
    for (const std::string& part : splitBackslash(rest)) {
        if (part == ".") continue;
        if (part == "..") {
            auto s = cur.find_last_of('/');
            cur = s == std::string::npos ? "" : cur.substr(0, s);
            continue;
        }
        cur = matchEntry(cur.empty() ? "/" : cur, part);
        if (cur.size() > 1 && cur[0] == '/' && cur[1] == '/') cur.erase(0, 1);
    }
    return cur.empty() ? "/" : cur;
}

std::string PathMap::toWindows(const std::string& nativePath) const {
    std::string root = driveC_ == "/" ? "" : driveC_;
    if (nativePath == driveC_ || nativePath + "/" == root + "/") return "C:\\";
    if (nativePath.rfind(root + "/", 0) == 0) {
        std::string rel = nativePath.substr(root.size() + 1);
        for (char& c : rel)
            if (c == '/') c = '\\';
        while (!rel.empty() && rel.back() == '\\') rel.pop_back();
        return rel.empty() ? "C:\\" : "C:\\" + rel;
    }
    return nativePath;
}

PosixFiles::PosixFiles(PathMap map, std::string applicationFolderNative)
    : map_(std::move(map)), appFolder_(map_.toWindows(applicationFolderNative)) {}

std::string PosixFiles::applicationFolder() { return appFolder_; }

bool PosixFiles::fileExists(const std::string& path) {
    struct stat st;
    const std::string n = map_.toNative(path);
    return ::stat(n.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::unique_ptr<platform::TextWriter> PosixFiles::openForWriting(const std::string& path) {
    const std::string n = map_.toNative(path);
    std::FILE* f = std::fopen(n.c_str(), "wb");
    if (!f) raiseErrno(errno, fail::kPathFileAccess);
    return std::make_unique<FileWriter>(f);
}

std::unique_ptr<platform::TextWriter> PosixFiles::createTextFile(const std::string& path) {
    return openForWriting(path);
}

int PosixFiles::attributesOf(const std::string& n) {
    struct stat st;
    if (::stat(n.c_str(), &st) != 0) return -1;
    int attrs = 0;
    if (S_ISDIR(st.st_mode)) attrs |= platform::kAttrDirectory;
    if (!(st.st_mode & S_IWUSR)) attrs |= platform::kAttrReadOnly;
    char buf[32] = {};
    ssize_t len = ::getxattr(n.c_str(), kAttrXattr, buf, sizeof buf - 1);
    if (len > 0) attrs |= std::atoi(buf) & (platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive);
    return attrs;
}

std::string PosixFiles::lookup(const std::string& path, int attributes) {
    const std::string n = map_.toNative(path);
    const int attrs = attributesOf(n);
    if (attrs < 0) return "";
    if (attrs & platform::kAttrDirectory) return "";
    const int special = attrs & (platform::kAttrHidden | platform::kAttrSystem);
    if (special & ~attributes) return "";
    auto slash = n.find_last_of('/');
    return slash == std::string::npos ? n : n.substr(slash + 1);
}

void PosixFiles::setAttributes(const std::string& path, int attributes) {
    const std::string n = map_.toNative(path);
    struct stat st;
    if (::stat(n.c_str(), &st) != 0) fail::raise(fail::kFileNotFound);
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & platform::kAttrReadOnly) ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
    if (::chmod(n.c_str(), mode) != 0) raiseErrno(errno, fail::kPathFileAccess);
    // Hidden and system live in an extended attribute where the file system
    // holds one; elsewhere they are left alone.
    const int extra = attributes & (platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive);
    if (extra) {
        const std::string v = std::to_string(extra);
        ::setxattr(n.c_str(), kAttrXattr, v.data(), v.size(), 0);
    } else {
        ::removexattr(n.c_str(), kAttrXattr);
    }
}

std::unique_ptr<platform::LineReader> PosixFiles::openForInput(const std::string& path) {
    const std::string n = map_.toNative(path);
    std::ifstream in(n, std::ios::binary);
    if (!in) {
        struct stat st;
        if (::stat(n.c_str(), &st) != 0) fail::raise(fail::kFileNotFound);
        fail::raise(fail::kPermissionDenied);
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) fail::raise(fail::kPathFileAccess);
    return std::make_unique<platform::BufferLineReader>(ss.str(), platform::cp1252ToUtf8);
}

std::optional<std::string> PosixFiles::environment(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

namespace {
// Starts a program detached from this process (double fork), so that the
// program neither waits for it nor leaves a zombie behind.
bool spawnDetached(const std::vector<std::string>& argv) {
    pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (::fork() != 0) ::_exit(0);
        ::setsid();
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
}  // namespace

std::intptr_t PosixShell::execute(std::uintptr_t, const std::string& verb, const std::string& file,
                                  const std::string&, const std::string&, int) {
    if (!iequals(verb, "open")) return 31;  // no association for that verb
    const std::string n = map_.toNative(file);
    struct stat st;
    if (::stat(n.c_str(), &st) != 0) return 2;  // file not found
    return spawnDetached({"xdg-open", n}) ? 42 : 31;
}

void PosixShell::launch(const std::string& path) {
    const std::string n = map_.toNative(path);
    if (::access(n.c_str(), X_OK) != 0) fail::raise(fail::kFileNotFound);
    if (!spawnDetached({n})) fail::raise(fail::kFileNotFound);
}

std::string PosixShell::firstMatch(const std::string& path) {
    const std::string n = map_.toNative(path);
    struct stat st;
    if (::stat(n.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return "";
    auto slash = n.find_last_of('/');
    return slash == std::string::npos ? n : n.substr(slash + 1);
}

struct PosixLocale::Impl {
    locale_t numeric = nullptr;
    locale_t time = nullptr;
    bool usTime = true;
    bool usNumeric = true;
};

namespace {
bool isPlainLocale(const char* name) {
    return !name || !*name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}
const char* envLocale(const char* category) {
    for (const char* var : {"LC_ALL", category, "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return v;
    }
    return nullptr;
}
}  // namespace

PosixLocale::PosixLocale() : impl_(std::make_unique<Impl>()) {
    if (!isPlainLocale(envLocale("LC_NUMERIC"))) {
        impl_->numeric = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
        impl_->usNumeric = impl_->numeric == nullptr;
    }
    if (!isPlainLocale(envLocale("LC_TIME"))) {
        impl_->time = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
        impl_->usTime = impl_->time == nullptr;
    }
}

PosixLocale::~PosixLocale() {
    if (impl_->numeric) ::freelocale(impl_->numeric);
    if (impl_->time) ::freelocale(impl_->time);
}

std::string PosixLocale::decimalSeparator() {
    if (impl_->usNumeric) return ".";
    const char* r = ::nl_langinfo_l(RADIXCHAR, impl_->numeric);
    return (r && *r) ? r : ".";
}

std::string PosixLocale::shortDate(int y, int m, int d) {
    if (impl_->usTime) return platform::usEnglishLocale().shortDate(y, m, d);
    struct tm t = {};
    t.tm_year = y - 1900;
    t.tm_mon = m - 1;
    t.tm_mday = d;
    char buf[128];
    std::size_t n = ::strftime_l(buf, sizeof buf, ::nl_langinfo_l(D_FMT, impl_->time), &t, impl_->time);
    return std::string(buf, n);
}

std::string PosixLocale::longTime(int h, int mi, int s) {
    if (impl_->usTime) return platform::usEnglishLocale().longTime(h, mi, s);
    struct tm t = {};
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    char buf[128];
    std::size_t n = ::strftime_l(buf, sizeof buf, ::nl_langinfo_l(T_FMT, impl_->time), &t, impl_->time);
    return std::string(buf, n);
}

std::string executableFolder() {
    std::vector<char> buf(4096);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return ".";
    std::string p(buf.data(), static_cast<std::size_t>(n));
    return nativeDirOf(p);
}

bool folderWritable(const std::string& nativeFolder) {
    struct stat st;
    if (::stat(nativeFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return ::access(nativeFolder.c_str(), W_OK | X_OK) == 0;
}

bool isSystemProgramFolder(const std::string& nativeFolder) {
    std::string f = nativeFolder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    for (const char* prefix : {"", "/usr", "/usr/local"})
        for (const char* leaf : {"/bin", "/sbin", "/games", "/libexec"})
            if (f == std::string(prefix) + leaf) return true;
    // /opt/NAME/bin, the place of add-on packages.
    if (f.rfind("/opt/", 0) == 0) {
        const std::size_t slash = f.find('/', 5);
        return slash != std::string::npos && slash > 5 && f.compare(slash, std::string::npos, "/bin") == 0;
    }
    return false;
}

}  // namespace tq::posix
