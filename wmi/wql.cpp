#include "wmi/wql.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "wmi/failure.h"

namespace tq::wmi {

namespace wql {
namespace {

[[noreturn]] void invalidQuery() { fail::raiseService(fail::kWbemInvalidQuery); }

// ----------------------------------------------------------- numbers ----

// A number compared exactly when both sides are integers (64-bit values
// arrive as digit texts and must not lose precision), else as doubles.
struct Num {
    bool exact = false;
    bool negative = false;
    std::uint64_t magnitude = 0;
    double real = 0;
};

std::optional<Num> parseNum(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (s.empty()) return std::nullopt;
    Num n;
    std::string_view body = s;
    if (body.front() == '+' || body.front() == '-') {
        n.negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (body.empty()) return std::nullopt;
    auto [p, ec] = std::from_chars(body.data(), body.data() + body.size(), n.magnitude);
    if (ec == std::errc() && p == body.data() + body.size()) {
        n.exact = true;
        n.real = static_cast<double>(n.magnitude) * (n.negative ? -1.0 : 1.0);
        if (n.magnitude == 0) n.negative = false;
        return n;
    }
    // from_chars for double does not take a leading '+'; the sign was split off.
    double d = 0;
    auto [q, ec2] = std::from_chars(body.data(), body.data() + body.size(), d);
    if (ec2 != std::errc() || q != body.data() + body.size() || !std::isfinite(d)) return std::nullopt;
    n.exact = false;
    n.real = n.negative ? -d : d;
    return n;
}

Num fromInt(std::int64_t v) {
    Num n;
    n.exact = true;
    n.negative = v < 0;
    n.magnitude = v < 0 ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
    n.real = static_cast<double>(v);
    return n;
}

Num fromReal(double d) {
    Num n;
    n.real = d;
    return n;
}

int compareNum(const Num& a, const Num& b) {
    if (a.exact && b.exact) {
        if (a.negative != b.negative) return a.negative ? -1 : 1;
        if (a.magnitude == b.magnitude) return 0;
        const bool less = a.magnitude < b.magnitude;
        return (less != a.negative) ? -1 : 1;
    }
    if (a.real < b.real) return -1;
    if (a.real > b.real) return 1;
    return 0;
}

bool apply(Op op, int c) {
    switch (op) {
    case Op::Eq: return c == 0;
    case Op::Ne: return c != 0;
    case Op::Lt: return c < 0;
    case Op::Gt: return c > 0;
    case Op::Le: return c <= 0;
    case Op::Ge: return c >= 0;
    }
    return false;
}

// ------------------------------------------------------------- lexer ----

struct Token {
    enum class Kind : std::uint8_t { End, Ident, String, Number, Star, Comma, LParen, RParen, Op } kind = Kind::End;
    std::string text;  // Ident: as written; String: unescaped; Number: as written
    Op op = Op::Eq;
};

class Lexer {
public:
    explicit Lexer(std::string_view s) : s_(s) {}

    Token next() {
        while (pos_ < s_.size() && isSpace(s_[pos_])) ++pos_;
        Token t;
        if (pos_ >= s_.size()) return t;
        const char c = s_[pos_];
        if (isIdentStart(c)) {
            const std::size_t b = pos_;
            while (pos_ < s_.size() && isIdentChar(s_[pos_])) ++pos_;
            t.kind = Token::Kind::Ident;
            t.text.assign(s_.substr(b, pos_ - b));
            return t;
        }
        if (isDigit(c) || (c == '.' && pos_ + 1 < s_.size() && isDigit(s_[pos_ + 1]))) return number();
        if (c == '\'' || c == '"') return quoted(c);
        ++pos_;
        switch (c) {
        case '*': t.kind = Token::Kind::Star; return t;
        case ',': t.kind = Token::Kind::Comma; return t;
        case '(': t.kind = Token::Kind::LParen; return t;
        case ')': t.kind = Token::Kind::RParen; return t;
        case '=': return op(Op::Eq);
        case '<':
            if (peek('>')) return op(Op::Ne);
            if (peek('=')) return op(Op::Le);
            return op(Op::Lt);
        case '>':
            if (peek('=')) return op(Op::Ge);
            return op(Op::Gt);
        case '!':
            if (peek('=')) return op(Op::Ne);
            break;
        case '+':
        case '-':  // a signed number
            if (pos_ < s_.size() && (isDigit(s_[pos_]) || s_[pos_] == '.')) {
                --pos_;
                return number();
            }
            break;
        default: break;
        }
        invalidQuery();
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    static bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c); }

    bool peek(char c) {
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    static Token op(Op o) {
        Token t;
        t.kind = Token::Kind::Op;
        t.op = o;
        return t;
    }
    Token number() {
        const std::size_t b = pos_;
        if (s_[pos_] == '+' || s_[pos_] == '-') ++pos_;
        bool digits = false;
        while (pos_ < s_.size() && isDigit(s_[pos_])) ++pos_, digits = true;
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            while (pos_ < s_.size() && isDigit(s_[pos_])) ++pos_, digits = true;
        }
        if (!digits) invalidQuery();
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
            if (pos_ >= s_.size() || !isDigit(s_[pos_])) invalidQuery();
            while (pos_ < s_.size() && isDigit(s_[pos_])) ++pos_;
        }
        if (pos_ < s_.size() && isIdentChar(s_[pos_])) invalidQuery();  // 12abc
        Token t;
        t.kind = Token::Kind::Number;
        t.text.assign(s_.substr(b, pos_ - b));
        if (t.text.front() == '+') t.text.erase(0, 1);
        return t;
    }
    // A backslash escapes a quote of either kind and a backslash; before any
    // other character it stands for itself.
    Token quoted(char q) {
        ++pos_;
        Token t;
        t.kind = Token::Kind::String;
        for (;;) {
            if (pos_ >= s_.size()) invalidQuery();
            const char c = s_[pos_++];
            if (c == q) return t;
            if (c == '\\' && pos_ < s_.size() && (s_[pos_] == '\'' || s_[pos_] == '"' || s_[pos_] == '\\')) {
                t.text += s_[pos_++];
                continue;
            }
            t.text += c;
        }
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

// ------------------------------------------------------------ parser ----

bool isKeyword(std::string_view w) {
    static constexpr std::string_view kWords[] = {"SELECT", "FROM", "WHERE", "AND",  "OR",   "NOT",
                                                  "IS",     "NULL", "LIKE",  "TRUE", "FALSE"};
    for (auto k : kWords)
        if (text::iequals(w, k)) return true;
    return false;
}

class Parser {
public:
    explicit Parser(std::string_view s) : lex_(s) { advance(); }

    Query query() {
        Query q;
        expectKeyword("SELECT");
        if (tok_.kind == Token::Kind::Star) {
            advance();
        } else {
            q.all = false;
            q.select.push_back(identifier());
            while (tok_.kind == Token::Kind::Comma) {
                advance();
                q.select.push_back(identifier());
            }
        }
        expectKeyword("FROM");
        q.className = identifier();
        if (isWord("WHERE")) {
            advance();
            q.where = orExpr(0);
        }
        if (tok_.kind != Token::Kind::End) invalidQuery();
        return q;
    }

private:
    void advance() { tok_ = lex_.next(); }
    bool isWord(std::string_view w) const { return tok_.kind == Token::Kind::Ident && text::iequals(tok_.text, w); }
    void expectKeyword(std::string_view w) {
        if (!isWord(w)) invalidQuery();
        advance();
    }
    std::string identifier() {
        if (tok_.kind != Token::Kind::Ident || isKeyword(tok_.text)) invalidQuery();
        std::string s = std::move(tok_.text);
        advance();
        return s;
    }

    static std::unique_ptr<Node> make(Node::Kind k) {
        auto n = std::make_unique<Node>();
        n->kind = k;
        return n;
    }

    std::unique_ptr<Node> orExpr(int depth) {
        auto first = andExpr(depth);
        if (!isWord("OR")) return first;
        auto n = make(Node::Kind::Or);
        n->children.push_back(std::move(first));
        while (isWord("OR")) {
            advance();
            n->children.push_back(andExpr(depth));
        }
        return n;
    }
    std::unique_ptr<Node> andExpr(int depth) {
        auto first = notExpr(depth);
        if (!isWord("AND")) return first;
        auto n = make(Node::Kind::And);
        n->children.push_back(std::move(first));
        while (isWord("AND")) {
            advance();
            n->children.push_back(notExpr(depth));
        }
        return n;
    }
    std::unique_ptr<Node> notExpr(int depth) {
        if (depth > kMaxDepth) invalidQuery();
        if (isWord("NOT")) {
            advance();
            auto n = make(Node::Kind::Not);
            n->children.push_back(notExpr(depth + 1));
            return n;
        }
        if (tok_.kind == Token::Kind::LParen) {
            advance();
            auto inner = orExpr(depth + 1);
            if (tok_.kind != Token::Kind::RParen) invalidQuery();
            advance();
            return inner;
        }
        return comparison();
    }

    bool atLiteral() const {
        return tok_.kind == Token::Kind::String || tok_.kind == Token::Kind::Number || isWord("TRUE") ||
               isWord("FALSE") || isWord("NULL");
    }
    Literal literal() {
        Literal l;
        if (tok_.kind == Token::Kind::String) {
            l.kind = Literal::Kind::String;
            l.text = std::move(tok_.text);
        } else if (tok_.kind == Token::Kind::Number) {
            l.kind = Literal::Kind::Number;
            l.text = std::move(tok_.text);
        } else if (isWord("TRUE") || isWord("FALSE")) {
            l.kind = Literal::Kind::Boolean;
            l.boolean = isWord("TRUE");
            l.text = l.boolean ? "True" : "False";
        } else if (isWord("NULL")) {
            l.kind = Literal::Kind::Null;
        } else {
            invalidQuery();
        }
        advance();
        return l;
    }

    std::unique_ptr<Node> comparison() {
        if (atLiteral()) {  // literal op property
            Literal lit = literal();
            if (tok_.kind != Token::Kind::Op) invalidQuery();
            Op op = tok_.op;
            advance();
            auto n = make(Node::Kind::Compare);
            n->property = identifier();
            n->literal = std::move(lit);
            switch (op) {  // mirror it into property op literal
            case Op::Lt: op = Op::Gt; break;
            case Op::Gt: op = Op::Lt; break;
            case Op::Le: op = Op::Ge; break;
            case Op::Ge: op = Op::Le; break;
            default: break;
            }
            n->op = op;
            return n;
        }
        std::string prop = identifier();
        if (isWord("IS")) {
            advance();
            auto n = make(Node::Kind::IsNull);
            n->property = std::move(prop);
            if (isWord("NOT")) {
                advance();
                n->negated = true;
            }
            expectKeyword("NULL");
            return n;
        }
        bool negated = false;
        if (isWord("NOT")) {
            advance();
            negated = true;
            if (!isWord("LIKE")) invalidQuery();
        }
        if (isWord("LIKE")) {
            advance();
            if (tok_.kind != Token::Kind::String) invalidQuery();
            auto n = make(Node::Kind::Like);
            n->property = std::move(prop);
            n->negated = negated;
            n->pattern = std::make_unique<LikePattern>(tok_.text);
            n->literal.kind = Literal::Kind::String;
            n->literal.text = tok_.text;
            advance();
            return n;
        }
        if (tok_.kind != Token::Kind::Op) invalidQuery();
        auto n = make(Node::Kind::Compare);
        n->property = std::move(prop);
        n->op = tok_.op;
        advance();
        if (!atLiteral()) invalidQuery();  // two properties cannot be compared
        n->literal = literal();
        return n;
    }

    Lexer lex_;
    Token tok_;
};

}  // namespace

Query parse(std::string_view query) {
    Parser p(query);
    return p.query();
}

namespace {

void appendLiteral(std::string& out, const Literal& l) {
    switch (l.kind) {
    case Literal::Kind::String:
        out += '"';
        for (char c : l.text) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        out += '"';
        break;
    case Literal::Kind::Number: out += l.text; break;
    case Literal::Kind::Boolean: out += l.boolean ? "TRUE" : "FALSE"; break;
    case Literal::Kind::Null: out += "NULL"; break;
    }
}

void appendCondition(std::string& out, const Node& n) {
    static constexpr const char* kOps[] = {"=", "<>", "<", ">", "<=", ">="};
    switch (n.kind) {
    case Node::Kind::And:
    case Node::Kind::Or:
        out += '(';
        for (std::size_t i = 0; i < n.children.size(); ++i) {
            if (i) out += n.kind == Node::Kind::And ? " AND " : " OR ";
            appendCondition(out, *n.children[i]);
        }
        out += ')';
        break;
    case Node::Kind::Not:
        out += "NOT ";
        appendCondition(out, *n.children.front());
        break;
    case Node::Kind::Compare:
        out += text::foldKey(n.property);
        out += ' ';
        out += kOps[static_cast<int>(n.op)];
        out += ' ';
        appendLiteral(out, n.literal);
        break;
    case Node::Kind::IsNull:
        out += text::foldKey(n.property);
        out += n.negated ? " IS NOT NULL" : " IS NULL";
        break;
    case Node::Kind::Like:
        out += text::foldKey(n.property);
        out += n.negated ? " NOT LIKE " : " LIKE ";
        appendLiteral(out, n.literal);
        break;
    }
}

}  // namespace

std::string canonicalText(const Query& q) {
    std::string out = "SELECT ";
    if (q.all) {
        out += '*';
    } else {
        for (std::size_t i = 0; i < q.select.size(); ++i) {
            if (i) out += ", ";
            out += text::foldKey(q.select[i]);
        }
    }
    out += " FROM ";
    out += text::foldKey(q.className);
    if (q.where) {
        out += " WHERE ";
        appendCondition(out, *q.where);
    }
    return out;
}

// -------------------------------------------------------------- LIKE ----

LikePattern::LikePattern(std::string_view pattern) {
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char32_t c = text::decode(pattern, i);
        Item it;
        it.kind = Item::Kind::Char;
        if (c == '%') {
            if (!items_.empty() && items_.back().kind == Item::Kind::Any) continue;
            it.kind = Item::Kind::Any;
        } else if (c == '_') {
            it.kind = Item::Kind::One;
        } else if (c == '[') {
            it.kind = Item::Kind::Set;
            if (i < pattern.size() && pattern[i] == '^') {
                it.negated = true;
                ++i;
            }
            bool closed = false;
            while (i < pattern.size()) {
                char32_t lo = text::decode(pattern, i);
                if (lo == ']' && !it.ranges.empty()) {
                    closed = true;
                    break;
                }
                char32_t hi = lo;
                if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
                    ++i;
                    hi = text::decode(pattern, i);
                }
                it.ranges.emplace_back(text::fold(lo), text::fold(hi));
            }
            if (!closed) invalidQuery();
        } else {
            it.c = text::fold(c);
        }
        items_.push_back(std::move(it));
    }
}

bool LikePattern::itemMatches(const Item& it, char32_t c) const noexcept {
    switch (it.kind) {
    case Item::Kind::One: return true;
    case Item::Kind::Char: return it.c == c;
    case Item::Kind::Set: {
        bool in = false;
        for (const auto& [lo, hi] : it.ranges)
            if (c >= lo && c <= hi) {
                in = true;
                break;
            }
        return in != it.negated;
    }
    case Item::Kind::Any: break;
    }
    return false;
}

// Wildcard matching that backtracks only to the last %, so it needs no
// recursion and stays linear in practice.
bool LikePattern::matches(std::string_view v) const {
    // The code point at i, folded, and where the next one starts.
    auto run = [&](auto at) {
        const std::size_t n = items_.size();
        std::size_t pi = 0, vi = 0;
        std::size_t star = n, mark = 0;
        while (vi < v.size()) {
            if (pi < n && items_[pi].kind == Item::Kind::Any) {
                star = pi++;
                mark = vi;
                continue;
            }
            if (pi < n) {
                const auto [c, next] = at(vi);
                if (itemMatches(items_[pi], c)) {
                    ++pi;
                    vi = next;
                    continue;
                }
            }
            if (star == n) return false;
            pi = star + 1;
            vi = mark = at(mark).second;
        }
        while (pi < n && items_[pi].kind == Item::Kind::Any) ++pi;
        return pi == n;
    };
    // Most values are ASCII: a byte is its code point.
    if (std::all_of(v.begin(), v.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return run([&](std::size_t i) {
            return std::pair<char32_t, std::size_t>(text::fold(static_cast<unsigned char>(v[i])), i + 1);
        });
    return run([&](std::size_t i) {
        const char32_t c = text::fold(text::decode(v, i));
        return std::pair<char32_t, std::size_t>(c, i);
    });
}

// --------------------------------------------------------- condition ----

namespace {
enum class Mode : std::uint8_t { Numeric, Text, Bool, Dynamic, Never };

Mode modeFor(CimType t) {
    if (isNumericType(t)) return Mode::Numeric;
    switch (t) {
    case CimType::Boolean: return Mode::Bool;
    case CimType::String:
    case CimType::DateTime:
    case CimType::Reference: return Mode::Text;
    case CimType::Unknown: return Mode::Dynamic;
    default: return Mode::Never;
    }
}

std::optional<bool> textToBool(std::string_view s) {
    if (text::iequals(s, "true")) return true;
    if (text::iequals(s, "false")) return false;
    if (auto n = parseNum(s)) return n->real != 0;
    return std::nullopt;
}

std::optional<Num> valueNum(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Integer: return fromInt(v.rawInteger());
    case Value::Kind::Boolean: return fromInt(v.rawBoolean() ? -1 : 0);
    case Value::Kind::Real: return fromReal(v.rawReal());
    case Value::Kind::Text: return parseNum(v.rawText());
    default: return std::nullopt;
    }
}

std::optional<bool> valueBool(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Boolean: return v.rawBoolean();
    case Value::Kind::Integer: return v.rawInteger() != 0;
    case Value::Kind::Real: return v.rawReal() != 0;
    case Value::Kind::Text: return textToBool(v.rawText());
    default: return std::nullopt;
    }
}

}  // namespace

// Other kinds have no text to compare.
bool comparedText(const Value& v, std::string& out) {
    switch (v.kind()) {
    case Value::Kind::Text: out = v.rawText(); return true;
    case Value::Kind::Integer:
    case Value::Kind::Boolean:
    case Value::Kind::Real: out = v.str(); return true;
    default: return false;
    }
}

struct Condition::Compiled {
    Node::Kind kind = Node::Kind::And;
    std::vector<std::unique_ptr<Compiled>> children;
    std::string property;
    Mode mode = Mode::Dynamic;
    Op op = Op::Eq;
    bool negated = false;
    // The literal in each form a mode may need.
    std::optional<Num> num;
    std::optional<bool> boolean;
    std::string text;
    const LikePattern* pattern = nullptr;

    bool eval(const Object& o) const {
        switch (kind) {
        case Node::Kind::And:
            for (const auto& c : children)
                if (!c->eval(o)) return false;
            return true;
        case Node::Kind::Or:
            for (const auto& c : children)
                if (c->eval(o)) return true;
            return false;
        case Node::Kind::Not: return !children.front()->eval(o);
        case Node::Kind::IsNull: {
            const Value* v = o.find(property);
            const bool isNull = v == nullptr || v->isAbsent();
            return isNull != negated;
        }
        case Node::Kind::Like: {
            const Value* v = o.find(property);
            if (v == nullptr) return false;
            if (v->isText()) return pattern->matches(v->rawText()) != negated;
            std::string s;
            if (!comparedText(*v, s)) return false;
            return pattern->matches(s) != negated;
        }
        case Node::Kind::Compare: {
            const Value* v = o.find(property);
            if (v == nullptr || v->isAbsent()) return false;
            return compare(*v);
        }
        }
        return false;
    }

    bool compare(const Value& v) const {
        Mode m = mode;
        if (m == Mode::Dynamic) {  // a class without schema: the value's kind decides
            switch (v.kind()) {
            case Value::Kind::Integer:
            case Value::Kind::Real: m = Mode::Numeric; break;
            case Value::Kind::Text: m = Mode::Text; break;
            case Value::Kind::Boolean: m = Mode::Bool; break;
            default: return false;
            }
        }
        switch (m) {
        case Mode::Numeric: {
            if (!num) return false;
            auto n = valueNum(v);
            return n && apply(op, compareNum(*n, *num));
        }
        case Mode::Bool: {
            if (!boolean) return false;
            auto b = valueBool(v);
            return b && apply(op, static_cast<int>(*b) - static_cast<int>(*boolean));
        }
        case Mode::Text: {
            if (v.isText()) return apply(op, text::icompare(v.rawText(), text));
            std::string s;
            return comparedText(v, s) && apply(op, text::icompare(s, text));
        }
        default: return false;
        }
    }
};

namespace {
std::unique_ptr<Condition::Compiled> compile(const Node& n, const ClassDef* def);
}

Condition::Condition(const Node& root, const ClassDef* def) : root_(compile(root, def)) {}
Condition::~Condition() = default;
Condition::Condition(Condition&&) noexcept = default;
Condition& Condition::operator=(Condition&&) noexcept = default;
bool Condition::matches(const Object& object) const { return root_->eval(object); }

namespace {
std::unique_ptr<Condition::Compiled> compile(const Node& n, const ClassDef* def) {
    auto c = std::make_unique<Condition::Compiled>();
    c->kind = n.kind;
    if (n.kind == Node::Kind::And || n.kind == Node::Kind::Or || n.kind == Node::Kind::Not) {
        for (const auto& child : n.children) c->children.push_back(compile(*child, def));
        return c;
    }
    const PropertyDef* pd = nullptr;
    if (def) {
        pd = def->property(n.property);
        if (!pd) invalidQuery();  // the class has no such property
        c->property = pd->name;
    } else {
        c->property = n.property;
    }
    c->negated = n.negated;
    if (n.kind == Node::Kind::IsNull) return c;
    if (pd && (pd->array || pd->type == CimType::Object)) invalidQuery();  // not comparable
    if (n.kind == Node::Kind::Like) {
        c->pattern = n.pattern.get();
        return c;
    }

    const Literal& lit = n.literal;
    if (lit.kind == Literal::Kind::Null) {  // = NULL and <> NULL as IS [NOT] NULL
        if (n.op == Op::Eq || n.op == Op::Ne) {
            c->kind = Node::Kind::IsNull;
            c->negated = n.op == Op::Ne;
        } else {
            c->mode = Mode::Never;
        }
        return c;
    }
    c->op = n.op;
    c->mode = pd ? modeFor(pd->type) : Mode::Dynamic;
    // Convert the literal to the forms the mode needs; for a known type a
    // literal that cannot take it is a bad query.
    switch (lit.kind) {
    case Literal::Kind::String:
        c->text = lit.text;
        c->num = parseNum(lit.text);
        c->boolean = textToBool(lit.text);
        break;
    case Literal::Kind::Number:
        c->text = lit.text;
        c->num = parseNum(lit.text);
        if (c->num) c->boolean = c->num->real != 0;
        break;
    case Literal::Kind::Boolean:
        c->text = lit.text;
        c->boolean = lit.boolean;
        if (c->mode == Mode::Dynamic) c->num = fromInt(lit.boolean ? 1 : 0);
        break;
    case Literal::Kind::Null: break;
    }
    if ((c->mode == Mode::Numeric && !c->num) || (c->mode == Mode::Bool && !c->boolean)) invalidQuery();
    return c;
}
}  // namespace

}  // namespace wql
}  // namespace tq::wmi
