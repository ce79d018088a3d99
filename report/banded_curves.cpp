#include "report/banded_curves.h"

#include <cmath>

#include <fmt/format.h>

#include "stats/window_maxima.h"

namespace raingen::report {

void add_banded_curve(Chart& chart, const BandedCurve& curve) {
  if (!curve.lower.empty() && !curve.upper.empty())
    chart.bands.push_back({curve.band_label, curve.color, curve.x, curve.lower, curve.upper, curve.band_opacity});
  Line line;
  line.label = curve.label;
  line.color = curve.color;
  line.width = curve.width;
  line.dashed = curve.dashed;
  line.markers = curve.markers;
  line.joined = curve.joined;
  for (std::size_t k = 0; k < curve.x.size() && k < curve.value.size(); ++k)
    line.points.push_back({curve.x[k], curve.value[k]});
  chart.lines.push_back(std::move(line));
}

std::string duration_label(int minutes) {
  if (minutes < 60) return fmt::format("{} min", minutes);
  return fmt::format("{} h", minutes / 60);
}

Axis minutes_axis(std::string label, double low, double high, std::span<const int> minutes,
                  std::string (*tick_label)(int)) {
  Axis axis;
  axis.label = std::move(label);
  axis.scale = Scale::log;
  axis.low = low;
  axis.high = high;
  for (int m : minutes) axis.ticks.push_back({static_cast<double>(m), tick_label(m)});
  return axis;
}

Axis duration_axis() { return minutes_axis("duration", 12, 1800, stats::design_durations, duration_label); }

Axis return_period_axis(double longest) {
  Axis axis;
  axis.label = "return period (years)";
  axis.scale = Scale::log;
  axis.low = 1;
  axis.high = std::max(longest, 10.0);
  for (double decade = 1; decade <= *axis.high; decade *= 10)
    for (double m : {1.0, 2.0, 5.0})
      if (m * decade <= *axis.high) axis.ticks.push_back({m * decade, fmt::format("{:g}", m * decade)});
  return axis;
}

Axis log_value_axis(std::string label) {
  Axis axis;
  axis.label = std::move(label);
  axis.scale = Scale::log;
  return axis;
}

Axis log_value_axis(std::string label, double low, double high) {
  Axis axis = log_value_axis(std::move(label));
  if (!(low > 0) || !(high >= low)) return axis;
  std::vector<double> steps;  // 1-2-5 values around the range
  for (double decade = std::pow(10.0, std::floor(std::log10(low)) - 1); decade <= high * 10; decade *= 10)
    for (double m : {1.0, 2.0, 5.0}) steps.push_back(m * decade);
  double from = steps.front(), to = steps.back();
  for (double v : steps) {
    if (v <= low * (1 + 1e-9)) from = v;
    if (v >= high * (1 - 1e-9) && to == steps.back()) to = v;
  }
  axis.low = from;
  axis.high = to;
  for (double v : steps)
    if (v >= from && v <= to) axis.ticks.push_back({v, fmt::format("{:g}", v)});
  return axis;
}

}  // namespace raingen::report
