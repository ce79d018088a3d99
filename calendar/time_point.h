// The tools' one calendar: the proleptic Gregorian civil calendar with no time zone and no leap
// seconds, as the program counts its days and as gauge records stamp their readings. A time is
// kept to the minute (TimePoint), a logger's stamp to the second (Instant), a day by its
// midnight (Day); all three count from 1970-01-01 00:00, so they convert without loss one way and
// by floor the other.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include <date/date.h>

namespace raingen::calendar {

using Seconds = std::chrono::seconds;
using Minutes = std::chrono::minutes;
using Days = date::days;

using TimePoint = date::sys_time<Minutes>;
using Instant = date::sys_seconds;
using Day = date::sys_days;

inline constexpr int seconds_per_minute = 60;
inline constexpr int minutes_per_hour = 60;
inline constexpr int seconds_per_hour = 3600;
inline constexpr int minutes_per_day = 1440;
inline constexpr int seconds_per_day = 86400;

// floor(a / b) for b > 0, whatever the sign of a: times before 1970 fall in the right day and
// interval.
constexpr std::int64_t floor_div(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Minutes since 1970-01-01 00:00, and back: the whole numbers the readers' sums index by.
constexpr std::int64_t minute_number(TimePoint t) { return t.time_since_epoch().count(); }
constexpr TimePoint at_minute(std::int64_t minutes) { return TimePoint{Minutes{minutes}}; }

// The day a time falls in: a midnight begins its day.
constexpr Day day_of(TimePoint t) { return date::floor<Days>(t); }
constexpr Day day_of(Instant t) { return date::floor<Days>(t); }
// The time to the whole minute at or before t.
constexpr TimePoint minute_of(Instant t) { return date::floor<Minutes>(t); }

// The day of a civil date; none for a date the calendar lacks (2001-02-29, month 13, day 0).
std::optional<Day> civil_day(int year, int month, int day);

}  // namespace raingen::calendar
