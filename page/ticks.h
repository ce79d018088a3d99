// Axis ranges and ticks a reader takes in at a glance: steps of 1, 2 or 5 times a power of ten on
// a linear axis, decades (with 2 and 5 between when there are few) on a log axis. Labels are
// written in the C locale.
#pragma once

#include <string>
#include <vector>

namespace raingen::page {

struct Tick {
  double value = 0;
  std::string label;
};

struct AxisRange {
  double low = 0;  // ends of the axis, on the outermost ticks
  double high = 1;
  std::vector<Tick> ticks;
};

// About `target` ticks covering [low, high]; the range is widened to the outer ticks. An empty
// range (low == high) is widened around its value.
AxisRange linear_axis(double low, double high, int target = 5);
// Decades covering [low, high] (both > 0).
AxisRange log_axis(double low, double high);

// A number as a tick label: as many decimals as the step needs, no "-0".
std::string fixed_label(double value, double step);

}  // namespace raingen::page
