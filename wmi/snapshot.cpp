#include "wmi/snapshot.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#if defined(_WIN32)
#include <filesystem>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <nlohmann/json.hpp>

#include "wmi/failure.h"
#include "wmi/wql.h"

namespace tq::wmi {
namespace {

using nlohmann::json;

// Where a byte stands in the text: line and column (columns count
// characters, not bytes).
struct Pos {
    std::size_t line = 1, col = 1;
};

// The snapshot's bytes as the parser reads them, a chunk at a time, with
// what the SAX callbacks (which carry no position) need: where the last
// string, number, literal and container began, and the raw text of a value
// being kept as written.
class Input {
public:
    using Refill = std::function<std::size_t(char* buffer, std::size_t size)>;

    explicit Input(std::string_view text) : cur_(text.data()), end_(text.data() + text.size()) {}
    explicit Input(Refill refill) : refill_(std::move(refill)), chunk_(kChunk) {}

    bool atEnd() { return cur_ == end_ && !fill(); }
    char peek() const { return *cur_; }
    void advance() { consume(static_cast<unsigned char>(*cur_++)); }

    std::size_t consumed() const noexcept { return consumed_; }
    // The position of the byte at `offset`, which is the last one read or
    // the one after it (as the parser reports errors).
    Pos at(std::size_t offset) const { return offset + 1 == consumed_ ? last_ : next_; }
    Pos next() const noexcept { return next_; }
    Pos last() const noexcept { return last_; }
    Pos stringStart() const noexcept { return string_; }
    Pos numberStart() const noexcept { return number_; }
    Pos wordStart() const noexcept { return word_; }
    Pos containerStart() const noexcept { return container_; }

    // Every byte read from now on is appended to `text` (nullptr: stop).
    void capture(std::string* text) noexcept { capture_ = text; }

private:
    static constexpr std::size_t kChunk = 1 << 16;

    bool fill() {
        if (!refill_) return false;
        const std::size_t n = refill_(chunk_.data(), chunk_.size());
        if (n == 0) {
            refill_ = nullptr;
            return false;
        }
        cur_ = chunk_.data();
        end_ = cur_ + n;
        return true;
    }

    void consume(unsigned char c) {
        const Pos here = next_;
        if (inString_) {
            if (escape_) escape_ = false;
            else if (c == '\\') escape_ = true;
            else if (c == '"') inString_ = false;
        } else {
            const bool digit = (c >= '0' && c <= '9') || c == '-';
            const bool numeric = digit || c == '+' || c == '.' || c == 'e' || c == 'E';
            const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            if (!(inNumber_ && numeric) && !(inWord_ && letter)) {
                inNumber_ = digit;
                inWord_ = !digit && letter;
                if (inNumber_) number_ = here;
                if (inWord_) word_ = here;
                if (c == '"') {
                    inString_ = true;
                    string_ = here;
                } else if (c == '{' || c == '[') {
                    container_ = here;
                }
            }
        }
        last_ = here;
        ++consumed_;
        if (capture_) capture_->push_back(static_cast<char>(c));
        if (c == '\n') {
            ++next_.line;
            next_.col = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++next_.col;
        }
    }

    const char* cur_ = nullptr;
    const char* end_ = nullptr;
    Refill refill_;
    std::vector<char> chunk_;
    std::size_t consumed_ = 0;
    Pos next_, last_, string_, number_, word_, container_;
    bool inString_ = false, escape_ = false, inNumber_ = false, inWord_ = false;
    std::string* capture_ = nullptr;
};

// The parser's view of an Input: an input iterator; the default one is the end.
struct InputIterator {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    Input* in = nullptr;

    char operator*() const { return in->peek(); }
    InputIterator& operator++() {
        in->advance();
        return *this;
    }
    InputIterator operator++(int) {
        InputIterator t = *this;
        ++*this;
        return t;
    }
    bool done() const { return !in || in->atEnd(); }
    bool operator==(const InputIterator& o) const { return done() == o.done(); }
    bool operator!=(const InputIterator& o) const { return !(*this == o); }
};

class Loader final : public nlohmann::json_sax<json> {
public:
    Loader(Input& in, std::string_view name, std::size_t maxEntries)
        : in_(in), name_(name), maxEntries_(maxEntries), repo_(std::make_shared<Repository>()) {}

    std::shared_ptr<Repository> run() {
        try {
            const bool ok = json::sax_parse(InputIterator{&in_}, InputIterator{}, this);
            if (!ok || error_) throw SnapshotError(error_ ? *error_ : where(in_.next()) + "could not be read");
        } catch (const std::bad_alloc&) {
            outOfMemory();
        } catch (const std::length_error&) {
            outOfMemory();
        }
        return repo_;
    }

    // ---- SAX ----
    bool null() override { return scalar(Value(), in_.wordStart()); }
    bool boolean(bool v) override { return scalar(Value::boolean(v), in_.wordStart()); }
    bool number_integer(number_integer_t v) override {
        if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
            return scalar(Value::integer(static_cast<std::int32_t>(v)), in_.numberStart());
        return scalar(Value::other(std::to_string(v)), in_.numberStart());
    }
    bool number_unsigned(number_unsigned_t v) override {
        if (v <= static_cast<number_unsigned_t>(std::numeric_limits<std::int32_t>::max()))
            return scalar(Value::integer(static_cast<std::int32_t>(v)), in_.numberStart());
        return scalar(Value::other(std::to_string(v)), in_.numberStart());
    }
    bool number_float(number_float_t v, const string_t& raw) override {
        if (!std::isfinite(v)) return scalar(Value::other(raw), in_.numberStart());
        // Single-precision properties keep their shortest single form.
        if (state_ == State::Object && def_) {
            const PropertyDef* p = def_->property(property_);
            if (p && p->type == CimType::Real32 && !p->array && std::fabs(v) <= std::numeric_limits<float>::max())
                return scalar(Value::real(static_cast<float>(v), true), in_.numberStart());
        }
        return scalar(Value::real(v), in_.numberStart());
    }
    bool string(string_t& v) override { return scalar(Value::text(std::move(v)), in_.stringStart()); }
    bool binary(binary_t&) override { return scalar(Value(), in_.last()); }

    bool start_object(std::size_t) override {
        switch (state_) {
        case State::Top: state_ = State::Classes; return true;
        case State::Class:
            if (!count(in_.containerStart())) return false;
            object_ = &repo_->add(class_);
            state_ = State::Object;
            return true;
        case State::Object: beginCapture('{'); return true;
        case State::Capture: ++captureDepth_; return true;
        default: break;  // a class given an object instead of an array
        }
        return shapeError(in_.containerStart(), expected());
    }
    bool end_object() override {
        switch (state_) {
        case State::Classes: state_ = State::Done; return true;
        case State::Object: state_ = State::Class; return true;
        case State::Capture: return endCapture();
        default: return true;
        }
    }
    bool start_array(std::size_t) override {
        switch (state_) {
        case State::ClassValue:
            state_ = State::Class;
            return true;
        case State::Object: beginCapture('['); return true;
        case State::Capture: ++captureDepth_; return true;
        default: return shapeError(in_.containerStart(), expected());
        }
    }
    bool end_array() override {
        switch (state_) {
        case State::Class: state_ = State::Classes; return true;
        case State::Capture: return endCapture();
        default: return true;
        }
    }
    bool key(string_t& k) override {
        switch (state_) {
        case State::Classes:
            if (!count(in_.stringStart())) return false;
            class_ = std::move(k);
            def_ = knownClass(class_);
            state_ = State::ClassValue;
            return true;
        case State::Object: property_ = std::move(k); return true;
        default: return true;
        }
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& ex) override {
        std::string what = ex.what();
        // nlohmann words it "... parse error at line L, column C: <detail>";
        // keep the detail, the location is given in the file's own terms.
        if (auto col = what.find("column "); col != std::string::npos)
            if (auto colon = what.find(": ", col); colon != std::string::npos) what.erase(0, colon + 2);
        if (auto br = what.find("] "); what.rfind("[json.exception", 0) == 0 && br != std::string::npos)
            what.erase(0, br + 2);
        error_ = where(in_.at(position > 0 ? position - 1 : 0)) + what;
        return false;
    }

private:
    enum class State { Top, Classes, ClassValue, Class, Object, Capture, Done };

    // "name:line:col: "
    std::string where(Pos p) const {
        return std::string(name_) + ":" + std::to_string(p.line) + ":" + std::to_string(p.col) + ": ";
    }

    // The objects do not fit in memory: refused like any other snapshot,
    // once what was loaded is freed (the message needs memory too).
    [[noreturn]] void outOfMemory() {
        repo_.reset();
        object_ = nullptr;
        std::string().swap(captured_);
        throw SnapshotError(where(in_.last()) + "not enough memory to load the snapshot");
    }

    std::string expected() const {
        switch (state_) {
        case State::Top: return "expected an object mapping class names to arrays of objects";
        case State::ClassValue: return "expected an array of objects for class \"" + class_ + "\"";
        case State::Class: return "expected an object in the array of class \"" + class_ + "\"";
        default: return "unexpected value";
        }
    }

    // Counts one more class array, object or property against the bound.
    bool count(Pos at) {
        if (++entries_ <= maxEntries_) return true;
        return shapeError(at, "the snapshot lists more than " + std::to_string(maxEntries_) +
                                          " classes, objects and properties");
    }

    bool shapeError(Pos at, const std::string& what) {
        if (!error_) error_ = where(at) + what;
        return false;
    }

    bool scalar(Value v, Pos start) {
        switch (state_) {
        case State::Object:
            if (!count(start)) return false;
            object_->set(property_, std::move(v));
            return true;
        case State::Capture: return true;
        default: return shapeError(start, expected());
        }
    }

    // A nested array or object is kept as written, so that a dump gives
    // back the same text.
    void beginCapture(char open) {
        captured_.assign(1, open);
        captureStart_ = in_.containerStart();
        in_.capture(&captured_);
        captureDepth_ = 1;
        state_ = State::Capture;
    }
    bool endCapture() {
        if (--captureDepth_ > 0) return true;
        in_.capture(nullptr);
        if (!count(captureStart_)) return false;
        object_->set(property_, Value::other(std::move(captured_)));
        captured_.clear();
        state_ = State::Object;
        return true;
    }

    Input& in_;
    std::string_view name_;
    std::size_t maxEntries_;
    std::size_t entries_ = 0;
    std::shared_ptr<Repository> repo_;
    State state_ = State::Top;
    std::string class_, property_;
    const ClassDef* def_ = nullptr;
    Instance* object_ = nullptr;
    int captureDepth_ = 0;
    Pos captureStart_;
    std::string captured_;
    std::optional<std::string> error_;
};

// ---------------------------------------------------------------- dump ----

std::string jsonString(const std::string& s) {
    return json(s).dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string jsonReal(const Value& v) {
    const double d = v.rawReal();
    if (!std::isfinite(d)) return "null";
    std::string out;
    if (v.isSingle()) {
        const float f = static_cast<float>(d);
        char buf[32];
        for (int p = 1; p <= 9; ++p) {
            std::snprintf(buf, sizeof buf, "%.*g", p, static_cast<double>(f));
            if (static_cast<float>(std::strtod(buf, nullptr)) == f) break;
        }
        out = buf;
    } else {
        out = json(d).dump();
    }
    // Written so that it reads back as a fraction, not as an integer.
    if (out.find_first_of(".eE") == std::string::npos) out += ".0";
    return out;
}

std::string jsonValue(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Absent: return "null";
    case Value::Kind::Text: return jsonString(v.rawText());
    case Value::Kind::Integer: return std::to_string(v.rawInteger());
    case Value::Kind::Boolean: return v.rawBoolean() ? "true" : "false";
    case Value::Kind::Real: return jsonReal(v);
    case Value::Kind::Other:
        // Kept as the JSON it came from; anything else is written as text.
        return json::accept(v.rawText()) ? v.rawText() : jsonString(v.rawText());
    }
    return "null";
}

void appendObject(std::string& out, const Object& o) {
    out += "{";
    bool first = true;
    auto put = [&](const std::string& name, const Value& v) {
        out += first ? "" : ", ";
        first = false;
        out += jsonString(name);
        out += ": ";
        out += jsonValue(v);
    };
    if (const auto* inst = dynamic_cast<const Instance*>(&o)) {
        for (const auto& [name, v] : inst->properties()) put(name, v);
    } else {
        for (const std::string& name : o.names()) {
            try {
                put(name, o.get(name));
            } catch (const Error&) {
                // a property that cannot be read is not listed
            }
        }
    }
    out += "}";
}

}  // namespace

std::shared_ptr<Repository> parseSnapshot(std::string_view text, std::string_view name, std::size_t maxEntries) {
    Input in(text);
    return Loader(in, name, maxEntries).run();
}

std::shared_ptr<Repository> loadSnapshot(const std::string& path) {
    const std::string tooLarge = path + ": the snapshot is larger than " + std::to_string(kMaxSnapshotBytes >> 20) + " MB";
    std::size_t total = 0;
    bool failed = false;
#if defined(_WIN32)
    // The path is UTF-8: opened in the wide form, so that any folder works.
    const std::filesystem::path native(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    std::error_code ec;
    const auto status = std::filesystem::status(native, ec);
    if (ec || !std::filesystem::exists(status)) throw SnapshotError(path + ": cannot open the file");
    if (std::filesystem::is_directory(status)) throw SnapshotError(path + ": is a folder");
    if (!std::filesystem::is_regular_file(status)) throw SnapshotError(path + ": is not a regular file");
    if (std::filesystem::file_size(native, ec) > kMaxSnapshotBytes) throw SnapshotError(tooLarge);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(::_wfopen(native.c_str(), L"rb"), &std::fclose);
    if (!file) throw SnapshotError(path + ": cannot open the file");
    Input in([&](char* buf, std::size_t size) -> std::size_t {
        if (total > kMaxSnapshotBytes) return 0;
        const std::size_t n = std::fread(buf, 1, size, file.get());
        failed = failed || std::ferror(file.get());
        total += n;
        return total > kMaxSnapshotBytes ? 0 : n;
    });
#else
    // Opened without blocking, so that a FIFO or a device is refused rather
    // than waited on or read without end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw SnapshotError(path + ": cannot open the file (" + std::strerror(errno) + ")");
    std::unique_ptr<int, void (*)(int*)> guard(new int(fd), [](int* f) {
        ::close(*f);
        delete f;
    });
    struct stat st;
    if (::fstat(fd, &st) != 0) throw SnapshotError(path + ": cannot read the file");
    if (S_ISDIR(st.st_mode)) throw SnapshotError(path + ": is a folder");
    if (!S_ISREG(st.st_mode)) throw SnapshotError(path + ": is not a regular file");
    if (static_cast<std::uint64_t>(st.st_size) > kMaxSnapshotBytes) throw SnapshotError(tooLarge);
    Input in([&](char* buf, std::size_t size) -> std::size_t {
        for (;;) {
            if (total > kMaxSnapshotBytes) return 0;
            const ssize_t n = ::read(fd, buf, size);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) failed = true;
            if (n <= 0) return 0;
            total += static_cast<std::size_t>(n);
            return total > kMaxSnapshotBytes ? 0 : static_cast<std::size_t>(n);
        }
    });
#endif
    std::shared_ptr<Repository> repo;
    try {
        repo = Loader(in, path, kMaxSnapshotEntries).run();
    } catch (const SnapshotError&) {
        // A file that grew past the bound or failed to read is named as such,
        // not by the syntax error its cut-off text gives.
        if (total > kMaxSnapshotBytes) throw SnapshotError(tooLarge);
        if (failed) throw SnapshotError(path + ": cannot read the file");
        throw;
    }
    if (total > kMaxSnapshotBytes) throw SnapshotError(tooLarge);
    if (failed) throw SnapshotError(path + ": cannot read the file");
    return repo;
}

std::string dumpSnapshot(Service& service) {
    std::string out = "{";
    bool firstClass = true;
    for (const std::string& cls : programClasses()) {
        std::string objects;
        try {
            CollectionPtr c = service.execQuery("SELECT * FROM " + cls, "WQL", 0);
            if (!c) continue;
            bool first = true;
            while (const Object* o = c->next()) {
                objects += first ? "\n    " : ",\n    ";
                first = false;
                appendObject(objects, *o);
            }
            if (!first) objects += "\n  ";
        } catch (const Error&) {
            continue;  // the service rejects the class
        }
        out += firstClass ? "\n  " : ",\n  ";
        firstClass = false;
        out += jsonString(cls) + ": [" + objects + "]";
    }
    out += firstClass ? "}\n" : "\n}\n";
    return out;
}

}  // namespace tq::wmi
