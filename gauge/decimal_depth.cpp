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
  const std::optional<std::int64_t> billionths = billionths_of(mm);
  if (!billionths) return std::nullopt;
  const std::int64_t whole = *billionths / billionths_per_hundredth, rest = *billionths % billionths_per_hundredth;
  if (2 * std::llabs(rest) < billionths_per_hundredth) return whole;
  return whole + (rest < 0 ? -1 : 1);
}

std::string hundredths_text(std::int64_t hundredths) {
  return fmt::format("{}{}.{:02}", hundredths < 0 ? "-" : "", std::llabs(hundredths) / 100, std::llabs(hundredths) % 100);
}

}  // namespace raingen::gauge
