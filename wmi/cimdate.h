// Management datetimes: "yyyymmddHHMMSS.mmmmmmsUUU", a calendar date and
// time of day, microseconds, and the offset from UTC in minutes with its
// sign. Taken apart by character position, as the service's clients do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tq::cimdate {

struct DateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool operator==(const DateTime&) const = default;
};

// The date in the first eight characters and, with `withTime`, the time of
// day in the next six, when they are all digits; the time stays 0 without
// it. Whether they name a real day is not checked (see valid).
std::optional<DateTime> parse(std::string_view text, bool withTime = true);

// A day that the calendar has and a time of day from 00:00:00 to 23:59:59.
bool valid(const DateTime& d);

// The datetime of `d` with no fraction of a second, followed by `zone`
// ("+000" for UTC; a few sources write "-000").
std::string format(const DateTime& d, std::string_view zone = "+000");

// A moment in seconds since 1970-01-01 00:00 UTC, as a datetime in UTC; ""
// when its year lies beyond what the C library's calendar can hold.
std::string fromUnixTime(std::int64_t seconds);

}  // namespace tq::cimdate
