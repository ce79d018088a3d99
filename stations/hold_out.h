// Holding a fragment gauge out: its record summed to a coarse step, made 15-minute again from the
// other fragment gauges, and both compared on the figures that the fragments shape (raingen-prepare
// --hold-out ID). Nothing is written.
#pragma once

#include <array>
#include <ostream>
#include <string>

#include "gauge/calendar_series.h"
#include "gauge/fragments.h"

namespace raingen::stations {

// The figures of a 15-minute series compared, over the intervals present in both series.
struct FineFigures {
  double wet_share = 0;                // of the present intervals, those wet
  double p99 = 0, p999 = 0;            // mm, of the wet intervals
  double peak_share = 0;               // mean over wet hours of the hour's largest 15 minutes / the hour
  std::array<double, 3> annual_max{};  // mm at 15, 30 and 60 minutes, mean over the years counted
  int years = 0;                       // the years counted for annual_max
  double lag1 = 0;                     // lag-1 correlation of the 15-minute depths
};

// The figures of series where mask is present too.
FineFigures fine_figures(const gauge::CalendarSeries& series, const gauge::CalendarSeries& mask);

// Holds gauge id of source out at the step (minutes), makes it again from the others and prints
// the truth beside the made record on out. Throws UsageError for an id that is none of the
// fragment gauges or fewer than two gauges; ToolError as making the record does.
void run_hold_out(const gauge::FragmentSource& source, const std::string& id, int step_minutes, std::ostream& out);

}  // namespace raingen::stations
