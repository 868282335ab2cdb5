#include "wmi/cimdate.h"

#include <climits>
#include <cstdio>

namespace tq::cimdate {
namespace {

std::optional<int> digits(std::string_view s, std::size_t from, std::size_t n) {
    if (s.size() < from + n) return std::nullopt;
    int v = 0;
    for (char c : s.substr(from, n)) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool allDigits(std::string_view s, std::size_t n) {
    if (s.size() < n) return false;
    for (char c : s.substr(0, n))
        if (c < '0' || c > '9') return false;
    return true;
}

bool leapYear(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

std::optional<DateTime> parse(std::string_view text, bool withTime) {
    if (!allDigits(text, withTime ? 14 : 8)) return std::nullopt;
    DateTime d;
    d.year = *digits(text, 0, 4), d.month = *digits(text, 4, 2), d.day = *digits(text, 6, 2);
    if (withTime) d.hour = *digits(text, 8, 2), d.minute = *digits(text, 10, 2), d.second = *digits(text, 12, 2);
    return d;
}

bool valid(const DateTime& d) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.month < 1 || d.month > 12 || d.day < 1) return false;
    const int last = d.month == 2 && leapYear(d.year) ? 29 : kDays[d.month - 1];
    return d.day <= last && d.hour >= 0 && d.hour <= 23 && d.minute >= 0 && d.minute <= 59 && d.second >= 0 &&
           d.second <= 59;
}

std::string format(const DateTime& d, std::string_view zone) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d.000000", d.year, d.month, d.day, d.hour, d.minute,
                  d.second);
    return buf + std::string(zone);
}

std::string fromUnixTime(std::int64_t seconds) {
    // Days since the epoch to a civil date (proleptic Gregorian, eras of
    // 400 years), without the C library's time_t limits.
    long long days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year > INT_MAX || year < INT_MIN + 1900) return {};
    DateTime d;
    d.year = static_cast<int>(year);
    d.month = static_cast<int>(month);
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.hour = static_cast<int>(rest / 3600);
    d.minute = static_cast<int>(rest / 60 % 60);
    d.second = static_cast<int>(rest % 60);
    return format(d);
}

}  // namespace tq::cimdate
