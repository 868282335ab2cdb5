#include "wmi/snapshot.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "wmi/failure.h"
#include "wmi/wql.h"

namespace tq::wmi {
namespace {

using nlohmann::json;

// An input iterator that records how far the parser has read, so that the
// SAX callbacks (which carry no position) can name where a value stands.
struct TrackingIterator {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    const char* p = nullptr;
    const char** high = nullptr;

    reference operator*() const { return *p; }
    TrackingIterator& operator++() {
        ++p;
        *high = p;
        return *this;
    }
    TrackingIterator operator++(int) {
        TrackingIterator t = *this;
        ++*this;
        return t;
    }
    bool operator==(const TrackingIterator& o) const { return p == o.p; }
    bool operator!=(const TrackingIterator& o) const { return p != o.p; }
};

class Loader final : public nlohmann::json_sax<json> {
public:
    Loader(std::string_view text, std::string_view name)
        : text_(text), name_(name), read_(text.data()), repo_(std::make_shared<Repository>()) {}

    std::shared_ptr<Repository> run() {
        TrackingIterator first{text_.data(), &read_}, last{text_.data() + text_.size(), &read_};
        const bool ok = json::sax_parse(first, last, this);
        if (!ok || error_) throw SnapshotError(error_ ? *error_ : where(text_.size()) + "could not be read");
        return repo_;
    }

    // ---- SAX ----
    bool null() override { return scalar(Value(), 4); }
    bool boolean(bool v) override { return scalar(Value::boolean(v), v ? 4 : 5); }
    bool number_integer(number_integer_t v) override {
        if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
            return scalar(Value::integer(static_cast<std::int32_t>(v)), -1);
        return scalar(Value::other(std::to_string(v)), -1);
    }
    bool number_unsigned(number_unsigned_t v) override {
        if (v <= static_cast<number_unsigned_t>(std::numeric_limits<std::int32_t>::max()))
            return scalar(Value::integer(static_cast<std::int32_t>(v)), -1);
        return scalar(Value::other(std::to_string(v)), -1);
    }
    bool number_float(number_float_t v, const string_t& raw) override {
        if (!std::isfinite(v)) return scalar(Value::other(raw), -1);
        // Single-precision properties keep their shortest single form.
        if (state_ == State::Object && def_) {
            const PropertyDef* p = def_->property(property_);
            if (p && p->type == CimType::Real32 && !p->array && std::fabs(v) <= std::numeric_limits<float>::max())
                return scalar(Value::real(static_cast<float>(v), true), -1);
        }
        return scalar(Value::real(v), -1);
    }
    bool string(string_t& v) override { return scalar(Value::text(std::move(v)), -2); }
    bool binary(binary_t&) override { return scalar(Value(), -1); }

    bool start_object(std::size_t) override {
        switch (state_) {
        case State::Top: state_ = State::Classes; return true;
        case State::Class:
            object_ = &repo_->add(class_);
            state_ = State::Object;
            return true;
        case State::Object: beginCapture(); return true;
        case State::Capture: ++captureDepth_; return true;
        default: break;  // a class given an object instead of an array
        }
        return shapeError(containerStart(), expected());
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
        case State::Object: beginCapture(); return true;
        case State::Capture: ++captureDepth_; return true;
        default: return shapeError(containerStart(), expected());
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
        error_ = where(position > 0 ? position - 1 : 0) + what;
        return false;
    }

private:
    enum class State { Top, Classes, ClassValue, Class, Object, Capture, Done };

    std::size_t consumed() const { return static_cast<std::size_t>(read_ - text_.data()); }
    std::size_t containerStart() const { return consumed() > 0 ? consumed() - 1 : 0; }

    // "name:line:col: " for a byte offset into the text.
    std::string where(std::size_t offset) const {
        offset = std::min(offset, text_.size());
        std::size_t line = 1, lineStart = 0;
        for (std::size_t i = 0; i < offset; ++i)
            if (text_[i] == '\n') ++line, lineStart = i + 1;
        const std::size_t col = textLength(text_.substr(lineStart, offset - lineStart)) + 1;
        return std::string(name_) + ":" + std::to_string(line) + ":" + std::to_string(col) + ": ";
    }

    // Where the scalar just read begins: `len` > 0 for a keyword of that
    // length, -2 for a string, -1 for a number.
    std::size_t scalarStart(int len) const {
        const std::size_t end = consumed();
        if (len > 0) return end >= static_cast<std::size_t>(len) ? end - static_cast<std::size_t>(len) : 0;
        if (len == -2) {  // back from the closing quote to the unescaped opening one
            if (end < 2) return 0;
            for (std::size_t i = end - 1; i-- > 0;) {
                if (text_[i] != '"') continue;
                std::size_t slashes = 0;
                while (i >= slashes + 1 && text_[i - slashes - 1] == '\\') ++slashes;
                if (slashes % 2 == 0) return i;
            }
            return 0;
        }
        auto isNumberChar = [](char c) {
            return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
        };
        std::size_t p = std::min(end, text_.size());
        // The parser reads one character past a number (unless at the end).
        if (p > 0 && !isNumberChar(text_[p - 1])) --p;
        while (p > 0 && isNumberChar(text_[p - 1])) --p;
        return p;
    }

    std::string expected() const {
        switch (state_) {
        case State::Top: return "expected an object mapping class names to arrays of objects";
        case State::ClassValue: return "expected an array of objects for class \"" + class_ + "\"";
        case State::Class: return "expected an object in the array of class \"" + class_ + "\"";
        default: return "unexpected value";
        }
    }

    bool shapeError(std::size_t offset, const std::string& what) {
        if (!error_) error_ = where(offset) + what;
        return false;
    }

    bool scalar(Value v, int len) {
        switch (state_) {
        case State::Object: object_->set(property_, std::move(v)); return true;
        case State::Capture: return true;
        default: return shapeError(scalarStart(len), expected());
        }
    }

    void beginCapture() {
        captureStart_ = containerStart();
        captureDepth_ = 1;
        state_ = State::Capture;
    }
    bool endCapture() {
        if (--captureDepth_ > 0) return true;
        const std::size_t end = std::min(consumed(), text_.size());
        // Kept as written, so that a dump gives back the same text.
        object_->set(property_, Value::other(std::string(text_.substr(captureStart_, end - captureStart_))));
        state_ = State::Object;
        return true;
    }

    std::string_view text_;
    std::string_view name_;
    const char* read_;
    std::shared_ptr<Repository> repo_;
    State state_ = State::Top;
    std::string class_, property_;
    const ClassDef* def_ = nullptr;
    Instance* object_ = nullptr;
    std::size_t captureStart_ = 0;
    int captureDepth_ = 0;
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

std::shared_ptr<Repository> parseSnapshot(std::string_view text, std::string_view name) {
    Loader loader(text, name);
    return loader.run();
}

std::shared_ptr<Repository> loadSnapshot(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SnapshotError(path + ": cannot open the file");
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) throw SnapshotError(path + ": cannot read the file");
    const std::string text = buf.str();
    return parseSnapshot(text, path);
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
