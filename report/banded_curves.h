// Curves with the spread behind them, as the report draws a value against a duration, a return
// period or a level: a line of values and, where lower and upper are given, a shaded band of the
// same colour under it. And the axes such charts share.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "report/page_names.h"

namespace raingen::report {

struct BandedCurve {
  std::string label;  // in the legend (empty: not)
  std::string color;
  std::vector<double> x, value;
  std::vector<double> lower, upper;  // empty: no band; NaN at a point: no band there
  std::string band_label;            // the band's entry in the legend (empty: none)
  double width = 1.8;
  double band_opacity = 0.16;
  bool dashed = false;
  bool markers = false;
  bool joined = true;  // false: markers alone
};

// Adds the band (under every line of the chart) and the line.
void add_banded_curve(Chart& chart, const BandedCurve& curve);

// Durations of 15 minutes to 24 hours on a log scale, ticked at the design durations.
Axis duration_axis();

// A log axis of durations in minutes from low to high, a tick at each of minutes named by label.
Axis minutes_axis(std::string label, double low, double high, std::span<const int> minutes,
                  std::string (*tick_label)(int));
// Return periods on a log scale from 1 year to `longest` (10 at least), ticked at 1, 2, 5, 10, ...
Axis return_period_axis(double longest);
// A log axis of depths (mm) or intensities from the 1-2-5 value at or below low to the one at or
// above high, ticked at each 1-2-5 value between (automatic without a range).
Axis log_value_axis(std::string label);
Axis log_value_axis(std::string label, double low, double high);

// "15 min", "1 h", "24 h": a design duration as the tables and charts name it.
std::string duration_label(int minutes);

}  // namespace raingen::report
