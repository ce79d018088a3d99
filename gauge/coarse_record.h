// A record coarser than the 15-minute grid (hourly, daily, or any whole number of 15-minute
// intervals that divides a day), as read, before it is made 15-minute from fragments of finer
// gauges (gauge/fragments.h). Step k of the record covers (first_end + (k - 1) step,
// first_end + k step].
#pragma once

#include <string>
#include <vector>

#include "calendar/time_point.h"

namespace raingen::gauge {

struct CoarseRecord {
  std::string path;  // for messages
  std::string name;  // as the series made from it is named
  calendar::Minutes step{};
  calendar::TimePoint first_end{};
  std::vector<double> values;  // mm per step; NaN: missing
  std::vector<long> lines;     // the line of each value (0: no line gave it)
};

// Whether step is a whole number of 15-minute intervals that divides a day: the steps a record can
// be made 15-minute from.
bool whole_intervals_dividing_a_day(calendar::Minutes step);
// Throws ToolError naming path and line unless whole_intervals_dividing_a_day(step).
void check_coarse_step(const std::string& path, long line, calendar::Minutes step);

// The record a fine series gives at a coarse step: each step the sum of its intervals (missing if
// any is), the steps ending on the given phase (minutes after midnight, modulo the step). For
// holding a gauge out and making it again.
CoarseRecord coarse_of(const std::string& path, const class CalendarSeries& series, calendar::Minutes step,
                       int phase_minutes = 0);

}  // namespace raingen::gauge
