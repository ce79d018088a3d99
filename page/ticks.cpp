#include "page/ticks.h"

#include <cmath>

#include <fmt/format.h>

namespace raingen::page {

namespace {

double nice_step(double raw) {
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double normal = raw / magnitude;
  // The smallest nice step at least the raw one: never more ticks than asked for, plus one.
  const double factor = normal <= 1 + 1e-9 ? 1 : normal <= 2 + 1e-9 ? 2 : normal <= 5 + 1e-9 ? 5 : 10;
  return factor * magnitude;
}

std::string general_label(double value) {
  if (value >= 1e-4 && value < 1e6) return fmt::format("{:g}", value);
  return fmt::format("{:.0e}", value);
}

}  // namespace

std::string fixed_label(double value, double step) {
  const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
  std::string text = fmt::format("{:.{}f}", value, decimals);
  if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
  return text;
}

AxisRange linear_axis(double low, double high, int target) {
  if (!(high > low)) {
    const double pad = low == 0 ? 1 : std::fabs(low) * 0.1;
    low -= pad;
    high += pad;
  }
  const double step = nice_step((high - low) / target);
  // Whole multiples of the step, so that 0.1 + 0.2 never shows as a tick of 0.30000000000000004.
  const long first = static_cast<long>(std::floor(low / step + 1e-9));
  const long last = static_cast<long>(std::ceil(high / step - 1e-9));
  AxisRange range;
  range.low = static_cast<double>(first) * step;
  range.high = static_cast<double>(last) * step;
  for (long k = first; k <= last; ++k) {
    const double v = static_cast<double>(k) * step;
    range.ticks.push_back({v, fixed_label(v, step)});
  }
  return range;
}

AxisRange log_axis(double low, double high) {
  int first = static_cast<int>(std::floor(std::log10(low) + 1e-9));
  int last = static_cast<int>(std::ceil(std::log10(high) - 1e-9));
  if (last <= first) last = first + 1;
  AxisRange range;
  range.low = std::pow(10.0, first);
  range.high = std::pow(10.0, last);
  const bool few_decades = last - first <= 2;
  for (int k = first; k <= last; ++k) {
    const double decade = std::pow(10.0, k);
    range.ticks.push_back({decade, general_label(decade)});
    if (few_decades && k < last)
      for (double m : {2.0, 5.0}) range.ticks.push_back({m * decade, general_label(m * decade)});
  }
  return range;
}

}  // namespace raingen::page
