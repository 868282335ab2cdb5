#include "wmi/trace.h"

#include <chrono>
#include <cmath>
#include <optional>
#include <utility>

namespace tq::wmi {
namespace {

void emit(const TraceSink& sink, double ms, std::string_view outcome, std::string_view text) {
    // A trace that cannot be written is no reason to stop a run.
    try {
        if (sink) sink(traceLine(ms, outcome, text));
    } catch (...) {
    }
}

using Clock = std::chrono::steady_clock;
double millisecondsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

std::string objects(std::size_t n) { return std::to_string(n) + (n == 1 ? " object" : " objects"); }
std::string failure(const Error& e) { return "failure " + std::to_string(e.number()); }

// A query's result: times the service's part of the walk and writes the
// query's line once, at its end or when it is released.
class TracedCollection final : public Collection {
public:
    TracedCollection(TraceSink sink, CollectionPtr inner, std::string query, double ms)
        : sink_(std::move(sink)), inner_(std::move(inner)), query_(std::move(query)), ms_(ms) {}
    ~TracedCollection() override { finish(objects(count_)); }

    const Object* next() override {
        const auto t0 = Clock::now();
        try {
            const Object* o = inner_->next();
            ms_ += millisecondsSince(t0);
            if (o) ++count_;
            else finish(objects(count_));
            return o;
        } catch (const Error& e) {
            ms_ += millisecondsSince(t0);
            finish(failure(e) + " after " + objects(count_));
            throw;
        }
    }

private:
    void finish(const std::string& outcome) {
        if (written_) return;
        written_ = true;
        emit(sink_, ms_, outcome, query_);
    }

    TraceSink sink_;
    CollectionPtr inner_;
    std::string query_;
    double ms_;
    std::size_t count_ = 0;
    bool written_ = false;
};

class TracedService final : public Service {
public:
    TracedService(TraceSink sink, ServicePtr inner) : sink_(std::move(sink)), inner_(std::move(inner)) {}

    CollectionPtr execQuery(std::string_view query, std::string_view language, int flags) override {
        const auto t0 = Clock::now();
        CollectionPtr c;
        try {
            c = inner_->execQuery(query, language, flags);
        } catch (const Error& e) {
            emit(sink_, millisecondsSince(t0), failure(e), query);
            throw;
        }
        if (!c) return c;
        return std::make_unique<TracedCollection>(sink_, std::move(c), std::string(query), millisecondsSince(t0));
    }

private:
    TraceSink sink_;
    ServicePtr inner_;
};

}  // namespace

namespace {
ServicePtr tracedBind(const TraceSink& sink, const Binder& binder, std::string_view moniker) {
    const auto t0 = Clock::now();
    ServicePtr s;
    try {
        s = binder(moniker);
    } catch (const Error& e) {
        emit(sink, millisecondsSince(t0), failure(e), moniker);
        throw;
    }
    emit(sink, millisecondsSince(t0), s ? "connected" : "no service", moniker);
    if (!s) return s;
    return std::make_unique<TracedService>(sink, std::move(s));
}
}  // namespace

Binder traced(Binder binder, TraceSink sink) {
    if (!binder || !sink) return binder;
    return [binder = std::move(binder), sink = std::move(sink)](std::string_view moniker) {
        return tracedBind(sink, binder, moniker);
    };
}

void traceFault(const TraceSink& sink, std::string_view where, std::string_view what) {
    if (!sink) return;
    std::string text(where);
    text += ": ";
    text += what;
    emit(sink, 0, "fault", text);
}

std::string traceLine(double milliseconds, std::string_view outcome, std::string_view text) {
    // Tenths of a millisecond, whatever the C locale's decimal separator.
    const long long tenths = std::llround(milliseconds * 10);
    std::string line = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " ms";
    line += '\t';
    line += outcome;
    line += '\t';
    for (char c : text) line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
    return line;
}

}  // namespace tq::wmi
