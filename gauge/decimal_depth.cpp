#include "gauge/decimal_depth.h"

#include <cmath>
#include <cstdlib>

#include <fmt/format.h>

namespace raingen::gauge {

namespace {
constexpr std::int64_t billionths_per_mm = 1'000'000'000;
constexpr std::int64_t billionths_per_hundredth = billionths_per_mm / 100;
}  // namespace

std::optional<std::int64_t> billionths_of(double mm) {
  if (!(std::fabs(mm) < largest_held_depth_mm)) return std::nullopt;  // NaN too
  return std::llround(mm * static_cast<double>(billionths_per_mm));
}

std::optional<std::int64_t> hundredths_of(double mm) {
  // Most depths lie clearly off a half hundredth, where rounding the double itself gives the same
  // hundredths: below 1e6 mm both it and the billionths are within 1e-7 hundredths of the exact
  // value, so a margin of 1e-6 decides alike, without the division.
  if (std::fabs(mm) < 1e6) {
    const double x = mm * 100, below = std::floor(x), part = x - below;
    if (std::fabs(part - 0.5) > 1e-6) return static_cast<std::int64_t>(below) + (part > 0.5 ? 1 : 0);
  }
  const std::optional<std::int64_t> billionths = billionths_of(mm);
  if (!billionths) return std::nullopt;
  const std::int64_t whole = *billionths / billionths_per_hundredth, rest = *billionths % billionths_per_hundredth;
  if (2 * std::llabs(rest) < billionths_per_hundredth) return whole;
  return whole + (rest < 0 ? -1 : 1);
}

std::string hundredths_text(std::int64_t hundredths) {
  return fmt::format("{}{}.{:02}", hundredths < 0 ? "-" : "", std::llabs(hundredths) / 100,
                     std::llabs(hundredths) % 100);
}

}  // namespace raingen::gauge
