// The 15-minute interval, the grain of every series of the tools. Interval j is the time
// (15 j, 15 j + 15] minutes after 1970-01-01 00:00: a time that ends an interval belongs to it,
// as a reading stamped at the end of its interval does, and day d (00:00 to 24:00) holds the
// intervals 96 d to 96 d + 95.
#pragma once

#include <cstdint>

#include "calendar/time_point.h"

namespace raingen::calendar {

using IntervalIndex = std::int64_t;

inline constexpr int minutes_per_interval = 15;
inline constexpr Minutes interval_length{minutes_per_interval};
inline constexpr int seconds_per_interval = minutes_per_interval * seconds_per_minute;
inline constexpr int intervals_per_day = minutes_per_day / minutes_per_interval;
// The mean length of a year of the Gregorian calendar, in days: a length of record in years.
inline constexpr double days_per_year = 365.2425;

constexpr TimePoint interval_start(IntervalIndex j) { return at_minute(j * minutes_per_interval); }
constexpr TimePoint interval_end(IntervalIndex j) { return interval_start(j + 1); }

// The interval that begins at t, or (t off the grid) holds the minute after t.
constexpr IntervalIndex interval_beginning(TimePoint t) { return floor_div(minute_number(t), minutes_per_interval); }
// The first interval that begins at t or later.
constexpr IntervalIndex first_interval_from(TimePoint t) {
  return floor_div(minute_number(t) + minutes_per_interval - 1, minutes_per_interval);
}
// The interval that holds an instant, an interval's end belonging to it.
constexpr IntervalIndex interval_holding(Instant t) {
  return floor_div(t.time_since_epoch().count() - 1, seconds_per_interval);
}

constexpr IntervalIndex first_interval_of(Day d) { return d.time_since_epoch().count() * intervals_per_day; }
constexpr Day day_of_interval(IntervalIndex j) { return Day{Days{floor_div(j, intervals_per_day)}}; }

// Whether t begins (and ends) an interval.
constexpr bool on_grid(TimePoint t) { return minute_number(t) % minutes_per_interval == 0; }

}  // namespace raingen::calendar
