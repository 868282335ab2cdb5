#include "wmi/snapshot.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// How many bytes of [b, e) continue a UTF-8 sequence (10xxxxxx), sixteen
// at a time where the processor allows.
std::size_t continuations(const char* b, const char* e) {
    std::size_t n = 0;
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi8(-64);  // 0x80..0xBF are the signed bytes below it
    const __m128i zero = _mm_setzero_si128();
    while (e - b >= 16) {
        // Counted per byte lane (at most 255 steps), then summed.
        __m128i counts = zero;
        for (int step = 0; step < 255 && e - b >= 16; ++step, b += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
            counts = _mm_sub_epi8(counts, _mm_cmplt_epi8(v, limit));
        }
        const __m128i sums = _mm_sad_epu8(counts, zero);
        n += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; b < e; ++b) n += (static_cast<unsigned char>(*b) & 0xC0) == 0x80;
    return n;
}

// The position after the bytes [b, e) when `p` is the position of b.
Pos advance(Pos p, const char* b, const char* e) {
    const char* lineStart = nullptr;
    for (const char* q = b; q < e; ++q) {
        q = static_cast<const char*>(std::memchr(q, '\n', static_cast<std::size_t>(e - q)));
        if (!q) break;
        ++p.line;
        lineStart = q + 1;
    }
    if (lineStart) {
        p.col = 1;
        b = lineStart;
    }
    p.col += static_cast<std::size_t>(e - b) - continuations(b, e);
    return p;
}

// The snapshot's bytes as the loader reads them: the whole text, or a file
// a chunk at a time. Positions are worked out only for messages: from the
// start of the chunk at hand, or for the two marks (the token being read and
// the value being kept as written) when they lie in a chunk already gone.
class Input {
public:
    using Refill = std::function<std::size_t(char* buffer, std::size_t size)>;

    explicit Input(std::string_view text) : begin_(text.data()), cur_(begin_), end_(begin_ + text.size()) {}
    explicit Input(Refill refill) : refill_(std::move(refill)), chunk_(kChunk) { begin_ = cur_ = end_ = chunk_.data(); }

    // The next byte, or -1 at the end of the text.
    int peek() {
        if (cur_ == end_ && !fill()) return -1;
        return static_cast<unsigned char>(*cur_);
    }
    void skip() noexcept { ++cur_; }  // after a peek() that gave a byte
    int get() {
        const int c = peek();
        if (c >= 0) ++cur_;
        return c;
    }
    // The bytes of the chunk at hand not read yet, for runs read at once.
    const char* cur() const noexcept { return cur_; }
    const char* end() const noexcept { return end_; }
    void to(const char* p) noexcept { cur_ = p; }

    void markToken() noexcept { token_ = {offset(), false, {}}; }
    // Keeps every byte from here on in `text`, up to keepEnd().
    void keepFrom(std::string* text) noexcept {
        kept_ = {offset(), false, {}};
        keep_ = text;
    }
    void keepEnd() {
        keep_->append(begin_ + (std::max(kept_.offset, base_) - base_), cur_);
        keep_ = nullptr;
    }

    Pos here() const { return advance(chunkPos_, begin_, cur_); }
    Pos tokenPos() const { return at(token_); }
    Pos keptPos() const { return at(kept_); }

private:
    static constexpr std::size_t kChunk = 1 << 16;

    struct Mark {
        std::size_t offset = 0;
        bool known = false;  // `pos` holds its position: its chunk is gone
        Pos pos;
    };

    std::size_t offset() const noexcept { return base_ + static_cast<std::size_t>(cur_ - begin_); }
    Pos at(const Mark& m) const { return m.known ? m.pos : advance(chunkPos_, begin_, begin_ + (m.offset - base_)); }
    // Gives the marks in the chunk at hand their positions, and the next
    // chunk its own, in one pass over the chunk.
    void settle() {
        Pos pos = chunkPos_;
        const char* from = begin_;
        auto one = [&](Mark& m) {
            if (m.known || m.offset < base_) return;
            const char* at = begin_ + (m.offset - base_);
            pos = advance(pos, from, at);
            from = at;
            m = {m.offset, true, pos};
        };
        Mark& first = token_.offset <= kept_.offset ? token_ : kept_;
        one(first);
        one(&first == &token_ ? kept_ : token_);
        chunkPos_ = advance(pos, from, end_);
    }

    bool fill() {
        if (!refill_) return false;
        if (keep_) keep_->append(begin_ + (std::max(kept_.offset, base_) - base_), end_);
        settle();
        base_ += static_cast<std::size_t>(end_ - begin_);
        const std::size_t n = refill_(chunk_.data(), chunk_.size());
        begin_ = cur_ = chunk_.data();
        end_ = begin_ + n;
        if (n == 0) refill_ = nullptr;
        return n > 0;
    }

    const char* begin_ = nullptr;
    const char* cur_ = nullptr;
    const char* end_ = nullptr;
    Refill refill_;
    std::vector<char> chunk_;
    std::size_t base_ = 0;  // offset of begin_ in the text
    Pos chunkPos_;          // position of begin_
    Mark token_, kept_;
    std::string* keep_ = nullptr;
};

// Bytes that stand for themselves in a JSON string.
struct PlainBytes {
    bool plain[256] = {};
    constexpr PlainBytes() {
        for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
    }
};
constexpr PlainBytes kPlain;

// Reads the snapshot straight into the repository: a JSON reader of its
// own, for the one shape a snapshot has, that holds nothing but the object
// at hand (and a nested value kept as written).
class Loader {
public:
    Loader(Input& in, std::string_view name, std::size_t maxEntries)
        : in_(in), name_(name), maxEntries_(maxEntries), repo_(std::make_shared<Repository>()) {}

    std::shared_ptr<Repository> run() {
        try {
            document();
        } catch (const std::bad_alloc&) {
            outOfMemory();
        } catch (const std::length_error&) {
            outOfMemory();
        }
        return repo_;
    }

private:
    // "name:line:col: "
    std::string where(Pos p) const {
        return std::string(name_) + ":" + std::to_string(p.line) + ":" + std::to_string(p.col) + ": ";
    }
    [[noreturn]] void fail(Pos at, const std::string& what) { throw SnapshotError(where(at) + what); }
    // A syntax error at the byte not read yet (or the end of the text).
    [[noreturn]] void syntax(const char* what) {
        fail(in_.here(), in_.peek() < 0 ? std::string("unexpected end of the text") : what);
    }

    // The objects do not fit in memory: refused like any other snapshot,
    // once what was loaded is freed (the message needs memory too).
    [[noreturn]] void outOfMemory() {
        repo_.reset();
        props_ = {};
        std::string().swap(kept_);
        std::string().swap(text_);
        throw SnapshotError(where(in_.here()) + "not enough memory to load the snapshot");
    }

    // Counts one more class array, object or property against the bound.
    template <class At>
    void count(At at) {
        if (++entries_ > maxEntries_)
            fail(at(),
                 "the snapshot lists more than " + std::to_string(maxEntries_) + " classes, objects and properties");
    }

    void ws() {
        if (in_.cur() < in_.end() && static_cast<unsigned char>(*in_.cur()) > ' ') return;
        for (;;) {
            const char* p = in_.cur();
            const char* e = in_.end();
            while (p < e && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) ++p;
            in_.to(p);
            if (p < e || in_.peek() < 0) return;
        }
    }
    void expect(char c, const char* what) {
        ws();
        if (in_.peek() != static_cast<unsigned char>(c)) syntax(what);
        in_.skip();
    }
    static bool scalarStart(int c) {
        return c == '"' || c == '-' || (c >= '0' && c <= '9') || c == 't' || c == 'f' || c == 'n';
    }

    void document() {
        // A byte order mark may open the text.
        if (in_.peek() == 0xEF) {
            in_.skip();
            if (in_.get() != 0xBB || in_.peek() != 0xBF) fail(in_.here(), "invalid byte order mark");
            in_.skip();
        }
        ws();
        const int c = in_.peek();
        if (c != '{')
            misplaced(c, [] { return std::string("expected an object mapping class names to arrays of objects"); });
        in_.skip();
        ws();
        if (in_.peek() == '}') {
            in_.skip();
        } else {
            for (;;) {
                if (in_.peek() != '"') syntax("expected a class name");
                in_.markToken();
                std::string cls;
                string(&cls);
                count([&] { return in_.tokenPos(); });
                expect(':', "expected ':'");
                ws();
                classArray(cls);
                ws();
                const int next = in_.peek();
                if (next == '}') break;
                if (next != ',') syntax("expected ',' or '}'");
                in_.skip();
                ws();
            }
            in_.skip();
        }
        ws();
        if (in_.peek() >= 0) fail(in_.here(), "expected the end of the text");
    }

    // A value where it does not fit: refused at its start, once it has been
    // read (a broken one is a syntax error first).
    template <class Message>
    [[noreturn]] void misplaced(int c, Message message) {
        if (c == '{' || c == '[') fail(in_.here(), message());
        if (!scalarStart(c)) syntax("expected a value");
        scalar(nullptr, nullptr);
        fail(in_.tokenPos(), message());
    }

    void classArray(const std::string& cls) {
        const int c = in_.peek();
        if (c != '[') misplaced(c, [&] { return "expected an array of objects for class \"" + cls + "\""; });
        in_.skip();
        def_ = knownClass(cls);
        ws();
        if (in_.peek() == ']') {
            in_.skip();
            return;
        }
        for (;;) {
            const int o = in_.peek();
            if (o != '{') misplaced(o, [&] { return "expected an object in the array of class \"" + cls + "\""; });
            count([&] { return in_.here(); });
            in_.skip();
            object(cls);
            ws();
            const int next = in_.peek();
            if (next == ']') break;
            if (next != ',') syntax("expected ',' or ']'");
            in_.skip();
            ws();
        }
        in_.skip();
    }

    void object(const std::string& cls) {
        std::size_t used = 0;  // props_ keeps its names' room from object to object
        ws();
        if (in_.peek() == '}') {
            in_.skip();
            repo_->add(cls, {});
            return;
        }
        for (;;) {
            if (in_.peek() != '"') syntax("expected a property name");
            if (used == props_.size()) props_.emplace_back();
            std::string& key = props_[used].first;
            key.clear();
            string(&key);
            expect(':', "expected ':'");
            ws();
            const int c = in_.peek();
            Value& v = props_[used].second;  // every branch sets it
            if (c == '{' || c == '[') {
                // A nested array or object is kept as written, so that a
                // dump gives back the same text.
                kept_.clear();
                in_.keepFrom(&kept_);
                nested();
                in_.keepEnd();
                count([&] { return in_.keptPos(); });
                v = repo_->keep(Value::Kind::Other, kept_);
            } else {
                if (!scalarStart(c)) syntax("expected a value");
                scalar(&v, &key);
                count([&] { return in_.tokenPos(); });
            }
            ++used;
            ws();
            const int next = in_.peek();
            if (next == '}') break;
            if (next != ',') syntax("expected ',' or '}'");
            in_.skip();
            ws();
        }
        in_.skip();
        repo_->add(cls, std::span(props_.data(), used));
    }

    // A nested array or object, read without recursion.
    void nested() {
        enum class At { Open, Member, After } at = At::Open;
        nest_.clear();
        nest_.push_back(static_cast<char>(in_.get()));
        for (;;) {
            ws();
            int c = in_.peek();
            const bool inObject = nest_.back() == '{';
            const int close = static_cast<unsigned char>(inObject ? '}' : ']');
            if (at == At::Open) {
                at = At::Member;
                if (c == close) at = At::After;
            }
            if (at == At::Member) {
                if (inObject) {
                    if (c != '"') syntax("expected a property name");
                    string(nullptr);
                    expect(':', "expected ':'");
                    ws();
                    c = in_.peek();
                }
                if (c == '{' || c == '[') {
                    in_.skip();
                    nest_.push_back(static_cast<char>(c));
                    at = At::Open;
                    continue;
                }
                if (!scalarStart(c)) syntax("expected a value");
                scalar(nullptr, nullptr);
                at = At::After;
                continue;
            }
            if (c == ',') {
                in_.skip();
                at = At::Member;
                continue;
            }
            if (c != close) syntax(inObject ? "expected ',' or '}'" : "expected ',' or ']'");
            in_.skip();
            nest_.pop_back();
            if (nest_.empty()) return;
        }
    }

    // A string, number or literal at the next byte; into `out` when given,
    // as the value of the property `name` of the class being read.
    void scalar(Value* out, const std::string* name) {
        in_.markToken();
        const int c = in_.peek();
        if (c == '"') {
            if (!out) return string(nullptr);
            *out = repo_->keep(Value::Kind::Text, textInPlace());
        } else if (c == 't' || c == 'f' || c == 'n') {
            const char* word = c == 't' ? "true" : c == 'f' ? "false" : "null";
            for (const char* w = word; *w; ++w) {
                if (in_.peek() != static_cast<unsigned char>(*w)) syntax("invalid literal");
                in_.skip();
            }
            if (out) *out = c == 'n' ? Value() : Value::boolean(c == 't');
        } else {
            number(out, name);
        }
    }

    void digits() {
        for (int c = in_.peek(); c >= '0' && c <= '9'; c = in_.peek()) {
            num_.push_back(static_cast<char>(c));
            in_.skip();
        }
    }
    void someDigits() {
        const int c = in_.peek();
        if (c < '0' || c > '9') syntax("invalid number");
        digits();
    }

    void number(Value* out, const std::string* name) {
        num_.clear();
        if (in_.peek() == '-') {
            num_.push_back('-');
            in_.skip();
        }
        const int lead = in_.peek();
        if (lead == '0') {
            num_.push_back('0');
            in_.skip();
        } else {
            someDigits();
        }
        bool integer = true;
        if (in_.peek() == '.') {
            integer = false;
            num_.push_back('.');
            in_.skip();
            someDigits();
        }
        if (const int e = in_.peek(); e == 'e' || e == 'E') {
            integer = false;
            num_.push_back(static_cast<char>(e));
            in_.skip();
            if (const int sign = in_.peek(); sign == '+' || sign == '-') {
                num_.push_back(static_cast<char>(sign));
                in_.skip();
            }
            someDigits();
        }
        const char* b = num_.data();
        const char* e = b + num_.size();
        if (integer) {
            // Integers in the 32-bit signed range are integers; larger ones
            // another kind, written as read; beyond 64 bits, a fraction.
            if (num_[0] == '-') {
                std::int64_t v = 0;
                if (std::from_chars(b, e, v).ec == std::errc()) {
                    if (out)
                        *out = v >= std::numeric_limits<std::int32_t>::min()
                                   ? Value::integer(static_cast<std::int32_t>(v))
                                   : repo_->keep(Value::Kind::Other, std::to_string(v));
                    return;
                }
            } else {
                std::uint64_t v = 0;
                if (std::from_chars(b, e, v).ec == std::errc()) {
                    if (out)
                        *out = v <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())
                                   ? Value::integer(static_cast<std::int32_t>(v))
                                   : repo_->keep(Value::Kind::Other, std::to_string(v));
                    return;
                }
            }
        }
        double d = 0;
        if (std::from_chars(b, e, d).ec != std::errc()) {
            // Out of range: too small a number is zero, too large one refused.
            if (num_.find("e-") == std::string::npos && num_.find("E-") == std::string::npos)
                fail(in_.tokenPos(), "number overflow: " + num_);
            d = num_[0] == '-' ? -0.0 : 0.0;
        }
        if (!out) return;
        const PropertyDef* p = def_ && name ? def_->property(*name) : nullptr;
        if (p && p->type == CimType::Real32 && !p->array && std::fabs(d) <= std::numeric_limits<float>::max()) {
            // Single-precision properties keep their shortest single form.
            *out = Value::real(static_cast<float>(d), true);
        } else {
            *out = Value::real(d);
        }
    }

    static void putUtf8(std::string* out, std::uint32_t cp) {
        if (!out) return;
        if (cp < 0x80) {
            out->push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }

    std::uint32_t hex4() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const int c = in_.peek();
            int d = -1;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
            if (d < 0) syntax("invalid string: \\u must be followed by four hex digits");
            in_.skip();
            v = v << 4 | static_cast<std::uint32_t>(d);
        }
        return v;
    }

    void escape(std::string* out) {
        const int c = in_.peek();
        char plain = 0;
        switch (c) {
        case '"': plain = '"'; break;
        case '\\': plain = '\\'; break;
        case '/': plain = '/'; break;
        case 'b': plain = '\b'; break;
        case 'f': plain = '\f'; break;
        case 'n': plain = '\n'; break;
        case 'r': plain = '\r'; break;
        case 't': plain = '\t'; break;
        case 'u': break;
        default: syntax("invalid string: forbidden character after backslash");
        }
        in_.skip();
        if (plain) {
            if (out) out->push_back(plain);
            return;
        }
        std::uint32_t cp = hex4();
        if (cp >= 0xDC00 && cp <= 0xDFFF) syntax("invalid string: surrogate U+DC00..U+DFFF must follow U+D800..U+DBFF");
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (in_.peek() != '\\')
                syntax("invalid string: surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF");
            in_.skip();
            if (in_.peek() != 'u')
                syntax("invalid string: surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF");
            in_.skip();
            const std::uint32_t low = hex4();
            if (low < 0xDC00 || low > 0xDFFF)
                syntax("invalid string: surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        putUtf8(out, cp);
    }

    // One UTF-8 sequence (RFC 3629: no overlong forms, no surrogates).
    void utf8(std::string* out) {
        const int lead = in_.peek();
        int more = 0;
        int lo = 0x80, hi = 0xBF;  // the range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) more = 1;
        else if (lead == 0xE0) more = 2, lo = 0xA0;
        else if (lead == 0xED) more = 2, hi = 0x9F;
        else if (lead >= 0xE1 && lead <= 0xEF) more = 2;
        else if (lead == 0xF0) more = 3, lo = 0x90;
        else if (lead == 0xF4) more = 3, hi = 0x8F;
        else if (lead >= 0xF1 && lead <= 0xF3) more = 3;
        else syntax("invalid string: ill-formed UTF-8 byte");
        in_.skip();
        char bytes[4] = {static_cast<char>(lead)};
        for (int i = 1; i <= more; ++i) {
            const int c = in_.peek();
            if (c < (i == 1 ? lo : 0x80) || c > (i == 1 ? hi : 0xBF)) syntax("invalid string: ill-formed UTF-8 byte");
            in_.skip();
            bytes[i] = static_cast<char>(c);
        }
        if (out) out->append(bytes, static_cast<std::size_t>(more) + 1);
    }

    // A JSON string at the next byte (its opening quote); decoded into `out`
    // when given, else only checked.
    void string(std::string* out) {
        in_.skip();
        stringRest(out);
    }

    // Where a text of plain bytes up to the closing quote lies.
    static const char* plainRun(const char* q, const char* e) {
#if defined(__SSE2__)
        // Sixteen bytes at a time up to a quote, a backslash, a control
        // byte or one of a UTF-8 sequence (the signed bytes below 0x20).
        const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), space = _mm_set1_epi8(0x20);
        while (e - q >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
            const __m128i stop = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                                              _mm_cmplt_epi8(v, space));
            const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(stop));
            if (m) return q + __builtin_ctz(m);
            q += 16;
        }
#endif
        while (q < e && kPlain.plain[static_cast<unsigned char>(*q)]) ++q;
        return q;
    }

    // A JSON string at the next byte, decoded: where it lies in the text
    // when it holds no escape and the chunk at hand holds it whole, else in
    // text_. Valid until the next byte is read.
    std::string_view textInPlace() {
        in_.skip();
        const char* start = in_.cur();
        for (;;) {
            const char* q = plainRun(in_.cur(), in_.end());
            in_.to(q);
            if (q == in_.end() || *q == '\\') break;
            const auto c = static_cast<unsigned char>(*q);
            if (c == '"') {
                in_.skip();
                return {start, static_cast<std::size_t>(q - start)};
            }
            if (c < 0x20) syntax("invalid string: control character must be escaped");
            if (in_.end() - q < 4) break;  // a sequence that may run into the next chunk
            utf8(nullptr);
        }
        text_.assign(start, in_.cur());
        stringRest(&text_);
        return text_;
    }

    // The rest of a JSON string, after its opening quote.
    void stringRest(std::string* out) {
        for (;;) {
            const char* p = in_.cur();
            const char* q = plainRun(p, in_.end());
            if (out) out->append(p, q);
            in_.to(q);
            const int c = in_.peek();
            if (c == '"') {
                in_.skip();
                return;
            }
            if (c == '\\') {
                in_.skip();
                escape(out);
            } else if (c < 0) {
                syntax("unexpected end of the text");
            } else if (c < 0x20) {
                syntax("invalid string: control character must be escaped");
            } else if (c >= 0x80) {
                utf8(out);
            }
        }
    }

    Input& in_;
    std::string_view name_;
    std::size_t maxEntries_;
    std::size_t entries_ = 0;
    std::shared_ptr<Repository> repo_;
    const ClassDef* def_ = nullptr;       // of the class being read
    std::vector<Instance::Field> props_;  // of the object being read
    std::string text_;                    // a text being read
    std::string kept_;                    // a nested value as written
    std::string num_;                     // a number as written
    std::vector<char> nest_;              // the open brackets of a nested value
};

// ---------------------------------------------------------------- dump ----

std::string jsonString(const std::string& s) { return json(s).dump(-1, ' ', false, json::error_handler_t::replace); }

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
        for (const Instance::Property& p : inst->properties()) put(std::string(p.name()), p.value);
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
    const std::string tooLarge =
        path + ": the snapshot is larger than " + std::to_string(kMaxSnapshotBytes >> 20) + " MB";
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
