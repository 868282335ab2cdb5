#include "platform/posix/posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <sys/file.h>
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
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/linereader.h"
#include "platform/posix/regular.h"
#include "wmi/ascii.h"
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

// The names in a folder, kept while the folder stays unchanged, so that
// looking up several names in one folder reads it once.
std::vector<std::string> folderNames(const std::string& dir) {
    struct Kept {
        std::string dir;
        dev_t dev = 0;
        ino_t ino = 0;
        timespec mtime{};
        std::vector<std::string> names;
    };
    static std::mutex lock;
    static Kept kept;
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0) return {};
    std::lock_guard<std::mutex> guard(lock);
    if (kept.dir == dir && kept.dev == st.st_dev && kept.ino == st.st_ino && kept.mtime.tv_sec == st.st_mtim.tv_sec &&
        kept.mtime.tv_nsec == st.st_mtim.tv_nsec)
        return kept.names;
    kept = Kept{dir, st.st_dev, st.st_ino, st.st_mtim, {}};
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) kept.names.emplace_back(e->d_name);
        ::closedir(d);
    }
    return kept.names;
}

// The entry of `dir` named `name`, matching without regard to case when no
// exact match exists; `name` itself when nothing matches.
std::string matchEntry(const std::string& dir, const std::string& name) {
    struct stat st;
    const std::string exact = dir + (dir.empty() || dir.back() == '/' ? "" : "/") + name;
    if (::lstat(exact.c_str(), &st) == 0) return exact;
    for (const auto& entry : folderNames(dir.empty() ? "/" : dir))
        if (ascii::iequals(entry, name)) return dir + (dir.empty() || dir.back() == '/' ? "" : "/") + entry;
    return exact;
}

// `systemReason`: the description is the system's own words (for the line
// the headless program gives when a report cannot be created).
[[noreturn]] void raiseErrno(int err, int fallback, bool systemReason = false) {
    std::int32_t number = fallback;
    switch (err) {
    case ENOENT: number = fail::kPathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: number = fail::kPermissionDenied; break;
    case ENOSPC: number = fail::kDiskFull; break;
    case EISDIR:
    case ENAMETOOLONG:
    case EINVAL: number = fail::kPathFileAccess; break;
    default: break;
    }
    if (systemReason && err) fail::raise(number, std::strerror(err));
    fail::raise(number);
}

std::string nativeDirOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

constexpr std::string_view kTempPrefix = ".tallyquest-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string uniqueTag() {
    static unsigned counter = 0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%ld-%u-%lx", static_cast<long>(::getpid()), ++counter,
                  static_cast<unsigned long>(::clock()) ^ reinterpret_cast<std::uintptr_t>(&buf));
    return buf;
}

// A report's temporary file: created new in the report's folder and locked
// for as long as this program holds it, so that a later run can tell a
// killed run's leftover (no lock) from a file in use.
struct TempFile {
    int fd = -1;
    std::string name;
};

TempFile makeTempFile(const std::string& dir, bool systemReason) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempFile t;
        t.name = dir + (dir == "/" ? "" : "/") + std::string(kTempPrefix) + uniqueTag() + std::string(kTempSuffix);
        t.fd = ::open(t.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (t.fd < 0) {
            if (errno == EEXIST) continue;
            raiseErrno(errno, fail::kPathFileAccess, systemReason);
        }
        // Another run's clean-up may have taken the file between its creation
        // and the lock: then it is gone (or going), and a new one is made. A
        // file system without locks still takes the report, unguarded.
        struct stat st;
        const bool taken = ::flock(t.fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (!taken && ::fstat(t.fd, &st) == 0 && st.st_nlink > 0) return t;
        ::close(t.fd);
    }
    fail::raise(fail::kPathFileAccess);
}

// Removes what killed runs left in a folder: temporary files of ours that no
// running program holds locked. Anything else (a link, a folder, a file in
// use) stays.
void removeLeftovers(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name.size() <= kTempPrefix.size() + kTempSuffix.size() ||
            name.substr(0, kTempPrefix.size()) != kTempPrefix ||
            name.substr(name.size() - kTempSuffix.size()) != kTempSuffix)
            continue;
        // Only a regular file is opened at all (never a device or a FIFO).
        struct stat named, held;
        if (::fstatat(::dirfd(d), e->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode)) continue;
        const int fd = ::openat(::dirfd(d), e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(::dirfd(d), e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino)
            ::unlinkat(::dirfd(d), e->d_name, 0);
        ::close(fd);
    }
    ::closedir(d);
}

void release(TempFile& t) noexcept {
    if (t.fd < 0) return;
    ::unlink(t.name.c_str());
    ::close(t.fd);
    t.fd = -1;
}

}  // namespace

// The temporary files that the report-name step made for reports (by the
// report's path): the run checks for it and writes into it. Those still
// here when the files object goes (the program ends normally) go with it.
struct PosixFiles::Reserved : std::map<std::string, TempFile> {
    ~Reserved() {
        for (auto& entry : *this) release(entry.second);
    }
};

namespace {

// The report's writer. Lines go to a temporary file in the report's folder
// (the one the report-name step made, or a new one); a successful close
// flushes it to the disk and renames it over the report's name (replacing a
// symlink there rather than following it). A write that fails, a failed
// close or a writer dropped unclosed removes the temporary file and leaves
// what stood at the name untouched.
class ReplacingWriter final : public platform::TextWriter {
public:
    // `eager`: the temporary file is taken now (and an unwritten close gives
    // an empty file); otherwise only a first line takes it.
    ReplacingWriter(std::string target, mode_t mode, bool eager, std::map<std::string, TempFile>& reserved)
        : target_(std::move(target)), mode_(mode), reserved_(reserved) {
        if (eager) start();
    }
    ~ReplacingWriter() override { release(temp_); }

    void writeLine(std::string_view text) override {
        if (closed_) fail::raise(fail::kBadFileNameOrNumber);
        if (temp_.fd < 0) start();
        buffer_ += platform::utf8ToCp1252(text);
        buffer_ += "\r\n";
        if (buffer_.size() >= kFlushAt) flush();
    }
    bool writePart(std::string_view text) override {
        if (closed_) fail::raise(fail::kBadFileNameOrNumber);
        if (temp_.fd < 0) start();
        buffer_ += platform::utf8ToCp1252(text);
        if (buffer_.size() >= kFlushAt) flush();
        return true;
    }
    void close() override {
        if (closed_) return;
        closed_ = true;
        if (temp_.fd < 0) return;  // nothing written: the file stays as it was
        try {
            flush();
        } catch (const Error&) {
            release(temp_);
            throw;
        }
        // Renamed while still held, so no clean-up can take it meanwhile.
        if (const int err = durableRename(temp_.fd, temp_.name, target_)) fault(err);
        if (::close(temp_.fd) != 0) fault(errno);
        temp_.fd = -1;
        if (error_) {
            ::unlink(temp_.name.c_str());
            raiseErrno(error_, fail::kDiskFull);
        }
    }

private:
    static constexpr std::size_t kFlushAt = 64 * 1024;

    void start() {
        auto& files = reserved_;
        if (auto it = files.find(target_); it != files.end()) {
            temp_ = it->second;
            files.erase(it);
        } else {
            temp_ = makeTempFile(nativeDirOf(target_), false);
        }
        if (mode_) ::fchmod(temp_.fd, mode_);
    }
    void flush() {
        std::size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(temp_.fd, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                buffer_.clear();
                fault(n < 0 ? errno : ENOSPC);
                raiseErrno(error_, fail::kDiskFull);
            }
            done += static_cast<std::size_t>(n);
        }
        buffer_.clear();
    }
    void fault(int err) {
        if (!error_) error_ = err ? err : EIO;
    }

    std::string target_;
    mode_t mode_;
    std::map<std::string, TempFile>& reserved_;
    TempFile temp_;
    int error_ = 0;
    bool closed_ = false;
    std::string buffer_;
};

// Checks that what stands at a report's name may be replaced: nothing, a
// regular file the user may write, or a symlink (replaced, not followed).
// Gives the permissions to keep (0: the defaults).
mode_t replaceable(const std::string& n, bool systemReason = false) {
    struct stat st;
    if (::lstat(n.c_str(), &st) != 0) {
        if (errno == ENOENT) return 0;
        raiseErrno(errno, fail::kPathFileAccess, systemReason);
    }
    if (S_ISLNK(st.st_mode)) return 0;
    if (S_ISDIR(st.st_mode)) raiseErrno(EISDIR, fail::kPathFileAccess, systemReason);
    if (!S_ISREG(st.st_mode)) {
        if (systemReason) fail::raise(fail::kPathFileAccess, "not a regular file");
        fail::raise(fail::kPathFileAccess);
    }
    // A read-only or locked-away earlier report is not replaced.
    const int fd = ::open(n.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) raiseErrno(errno, fail::kPathFileAccess, systemReason);
    ::close(fd);
    return st.st_mode & 0777;
}

}  // namespace

PathMap::PathMap(std::string driveC) : driveC_(std::move(driveC)) {
    while (driveC_.size() > 1 && driveC_.back() == '/') driveC_.pop_back();
    if (driveC_.empty()) driveC_.assign(1, '/');
}

void PathMap::setApplicationFolder(std::string nativeFolder) { appFolder_ = std::move(nativeFolder); }

std::string PathMap::toNative(const std::string& p) const {
    if (!appFolder_.empty() && p.size() > appFolder_.size() && p.compare(0, appFolder_.size(), appFolder_) == 0 &&
        p[appFolder_.size()] == '\\') {
        // The folder is taken as it stands (it may hold a "\\"); the rest
        // is the name the program gave, exactly.
        std::string out = appFolder_;
        for (const std::string& part : splitBackslash(p.substr(appFolder_.size() + 1))) {
            if (out.empty() || out.back() != '/') out += '/';
            out += part;
        }
        return out;
    }
    if (p == appFolder_ && !p.empty()) return p;
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
    : map_(std::move(map)), appFolder_(std::move(applicationFolderNative)), reserved_(std::make_unique<Reserved>()) {
    while (appFolder_.size() > 1 && appFolder_.back() == '/') appFolder_.pop_back();
    if (appFolder_.empty()) appFolder_.assign(1, '.');
    map_.setApplicationFolder(appFolder_);
}

PosixFiles::~PosixFiles() = default;

std::string PosixFiles::applicationFolder() { return appFolder_; }

std::string PosixFiles::displayPath(const std::string& path) { return map_.toNative(path); }

bool PosixFiles::fileExists(const std::string& path) {
    struct stat st;
    const std::string n = map_.toNative(path);
    // A report's name counts as there once its temporary file is made.
    if (auto it = reserved_->find(n); it != reserved_->end())
        return ::fstat(it->second.fd, &st) == 0 && st.st_nlink > 0;
    return ::lstat(n.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::unique_ptr<platform::TextWriter> PosixFiles::openForWriting(const std::string& path) {
    const std::string n = map_.toNative(path);
    const mode_t keep = replaceable(n);
    return std::make_unique<ReplacingWriter>(n, keep, true, *reserved_);
}

std::unique_ptr<platform::TextWriter> PosixFiles::createTextFile(const std::string& path) {
    const std::string n = map_.toNative(path);
    const mode_t keep = replaceable(n, true);
    const std::string dir = nativeDirOf(n);
    removeLeftovers(dir);
    // Nothing appears at the name: the temporary file the run will write
    // stands for it, so a run killed at any moment leaves no empty report.
    TempFile made = makeTempFile(dir, true);
    if (auto it = reserved_->find(n); it != reserved_->end()) release(it->second);
    (*reserved_)[n] = made;
    return std::make_unique<ReplacingWriter>(n, keep, false, *reserved_);
}

int PosixFiles::attributesOf(const std::string& n) {
    struct stat st;
    if (::lstat(n.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return -1;
    int attrs = 0;
    if (S_ISDIR(st.st_mode)) attrs |= platform::kAttrDirectory;
    if (!(st.st_mode & S_IWUSR)) attrs |= platform::kAttrReadOnly;
    char buf[32] = {};
    ssize_t len = ::lgetxattr(n.c_str(), kAttrXattr, buf, sizeof buf - 1);
    if (len > 0) attrs |= std::atoi(buf) & (platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive);
    return attrs;
}

std::string PosixFiles::lookup(const std::string& path, int attributes) {
    const std::string n = map_.toNative(path);
    struct stat st;
    // Only a regular file is found: a symlink, FIFO or device is no log of ours.
    if (::lstat(n.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return "";
    const int attrs = attributesOf(n);
    if (attrs < 0) return "";
    const int special = attrs & (platform::kAttrHidden | platform::kAttrSystem);
    if (special & ~attributes) return "";
    auto slash = n.find_last_of('/');
    return slash == std::string::npos ? n : n.substr(slash + 1);
}

void PosixFiles::setAttributes(const std::string& path, int attributes) {
    const std::string n = map_.toNative(path);
    // Changed through a descriptor of the file itself, so that a symlink
    // put at the name never carries the change elsewhere.
    const int fd = ::open(n.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st;
    if (fd < 0) {
        if (errno == ELOOP) fail::raise(fail::kPathFileAccess);
        if (errno != EACCES) raiseErrno(errno, fail::kPathFileAccess);
        // Unreadable (mode 0): the owner may still change it, by name.
        if (::lstat(n.c_str(), &st) != 0) fail::raise(fail::kFileNotFound);
        if (!S_ISREG(st.st_mode)) fail::raise(fail::kPathFileAccess);
    } else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fail::raise(fail::kPathFileAccess);
    }
    const mode_t before = st.st_mode & 07777;
    const mode_t mode = (attributes & platform::kAttrReadOnly) ? (before & ~S_IWUSR) : (before | S_IWUSR);
    auto chmodTo = [&](mode_t m) {
        return fd >= 0 ? ::fchmod(fd, m) : ::fchmodat(AT_FDCWD, n.c_str(), m, AT_SYMLINK_NOFOLLOW);
    };
    // An owner may change a file's extended attributes only while it may
    // write the file: the write bit goes last and comes first.
    int changed = chmodTo(mode | S_IWUSR);
    int err = errno;
    // Hidden and system live in an extended attribute where the file system
    // holds one; elsewhere they are left alone.
    const int extra = attributes & (platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive);
    const std::string v = std::to_string(extra);
    if (fd >= 0) {
        if (extra) ::fsetxattr(fd, kAttrXattr, v.data(), v.size(), 0);
        else ::fremovexattr(fd, kAttrXattr);
    } else if (extra) {
        ::lsetxattr(n.c_str(), kAttrXattr, v.data(), v.size(), 0);
    } else {
        ::lremovexattr(n.c_str(), kAttrXattr);
    }
    if (changed == 0 && !(mode & S_IWUSR)) {
        changed = chmodTo(mode);
        err = errno;
    }
    if (fd >= 0) ::close(fd);
    if (changed != 0) raiseErrno(err, fail::kPathFileAccess);
}

std::unique_ptr<platform::LineReader> PosixFiles::openForInput(const std::string& path) {
    const std::string n = map_.toNative(path);
    struct stat st;
    const int fd = openRegular(n.c_str(), true, &st);
    if (fd < 0) {
        if (errno == ENOENT || errno == ELOOP || errno == ENOTDIR) fail::raise(fail::kFileNotFound);
        if (errno == EACCES || errno == EPERM) fail::raise(fail::kPermissionDenied);
        fail::raise(fail::kPathFileAccess);
    }
    std::string data;
    bool failed = static_cast<std::uint64_t>(st.st_size) > kMaxInput;
    char buf[65536];
    while (!failed) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        data.append(buf, static_cast<std::size_t>(got));
        failed = data.size() > kMaxInput;  // grew while being read
    }
    ::close(fd);
    if (failed) fail::raise(fail::kPathFileAccess);
    return std::make_unique<platform::BufferLineReader>(std::move(data), platform::cp1252ToUtf8);
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
    // The grandchild reports a failed exec through a pipe that a successful
    // one closes.
    int execFailed[2];
    if (::pipe2(execFailed, O_CLOEXEC) != 0) return false;
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(execFailed[0]);
        ::close(execFailed[1]);
        return false;
    }
    if (pid == 0) {
        ::close(execFailed[0]);
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
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
        const int err = errno;
        [[maybe_unused]] const ssize_t said = ::write(execFailed[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(execFailed[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    int err = 0;
    ssize_t got;
    do got = ::read(execFailed[0], &err, sizeof err);
    while (got < 0 && errno == EINTR);
    ::close(execFailed[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}
}  // namespace

std::intptr_t PosixShell::execute(std::uintptr_t, const std::string& verb, const std::string& file, const std::string&,
                                  const std::string&, int) {
    if (!ascii::iequals(verb, "open")) return 31;  // no association for that verb
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

int durableRename(int fd, const std::string& from, const std::string& to) {
    if (::fsync(fd) != 0) return errno;
    if (::rename(from.c_str(), to.c_str()) != 0) return errno;
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(nativeDirOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return 0;
    ::fsync(folder);
    ::close(folder);
    return 0;
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
