// Annual maxima by sliding window: for each year and each design duration, the largest depth
// over any run of consecutive 15-minute intervals of that length within the year, so that a
// storm across midnight (or across any block edge) counts whole. Years begin on the date and
// time of day of a given start, every year (with day 1 at 2001-01-01 00:00, the calendar years).
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "calendar/interval.h"
#include "gauge/calendar_series.h"

namespace raingen::stats {

// The durations of the design tables, in minutes: 15, 30 min, 1, 2, 3, 6, 12 and 24 h.
inline constexpr std::array<int, 8> design_durations{15, 30, 60, 120, 180, 360, 720, 1440};
using DurationDepths = std::array<double, design_durations.size()>;  // mm, one per duration

// When a year counts: at least this percent of its 15-minute intervals are present. A missing
// interval counts as dry within a counted year, so a year's maximum is a lower bound of the true
// one; 80% keeps that bias small while a record with a week's gap now and then still counts.
inline constexpr double default_year_complete_percent = 80;

struct YearRule {
  calendar::TimePoint start = calendar::TimePoint{calendar::Day{date::year{2001} / 1 / 1}};
  double complete_percent = default_year_complete_percent;
};

struct WindowYear {
  int year = 0;  // the calendar year in which it begins
  calendar::TimePoint begins{};
  double present_share = 0;  // share of the year's intervals present in the series
  bool counted = false;      // present_share reaches the rule's percent
  DurationDepths maxima{};   // mm, the largest window of each duration (when counted)
};

// When year y begins under a start: its month, day and time of day in year y (29 February
// becomes 1 March in a common year).
calendar::TimePoint year_beginning(calendar::TimePoint start, int year);

// Every year the series touches, in order, with its maxima where it counts. Windows lie within
// their year; intervals outside the series count as missing.
std::vector<WindowYear> annual_window_maxima(const gauge::CalendarSeries& series, const YearRule& rule);

// The largest window of each duration over the whole series (missing intervals as dry): the
// largest depth the series holds at each duration.
DurationDepths largest_window_depths(const gauge::CalendarSeries& series);

// The largest window of each duration over the depths (NaN as dry), from one pass of prefix sums:
// at each duration a pass over the blocks of that length, and the windows only where two
// neighbouring blocks could hold a larger one. The window found is summed again in order, so
// that its depth is the plain sum of its intervals. A run shorter than a duration gives its
// whole sum.
DurationDepths window_maxima(std::span<const double> depths);

// The series' present intervals in years of calendar::days_per_year: how much record stands behind it.
double present_years(const gauge::CalendarSeries& series);

}  // namespace raingen::stats
