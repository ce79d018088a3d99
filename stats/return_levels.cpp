#include "stats/return_levels.h"

#include <cmath>
#include <vector>

namespace raingen::stats {

namespace {

// The 1-based rank (n + 1)(1 - 1/T) of the T-year level among n maxima.
double weibull_position(double n, double years) {
  const double position = (n + 1) - (n + 1) / years;
  // A rounding of 1/T must not move a whole rank to just below it.
  return std::fabs(position - std::round(position)) < 1e-9 ? std::round(position) : position;
}

// The levels at ascending positions (NaN: none) in one walk up the ranks.
template <std::size_t N>
std::array<std::optional<double>, N> levels_at(std::span<const double> ascending, std::span<const std::uint32_t> counts,
                                               const std::array<double, N>& positions, double n) {
  std::array<std::optional<double>, N> levels{};
  std::size_t i = 0;
  double rank = 0;  // of the last value of ascending[i - 1]
  auto value_of_rank = [&](double wanted) {
    while (rank < wanted) rank += counts[i++];
    return ascending[i - 1];
  };
  for (std::size_t p = 0; p < N; ++p) {
    const double position = positions[p];
    if (position < 1 || position > n) continue;
    const double below = std::floor(position), share = position - below;
    const double low = value_of_rank(below);
    levels[p] = share == 0 ? low : low + share * (value_of_rank(below + 1) - low);
  }
  return levels;
}

}  // namespace

std::optional<double> weibull_return_level(std::span<const double> ascending, double years) {
  const std::vector<std::uint32_t> once(ascending.size(), 1);
  const double n = static_cast<double>(ascending.size());
  return levels_at<1>(ascending, once, {weibull_position(n, years)}, n)[0];
}

PeriodLevels weibull_return_levels(std::span<const double> ascending, std::span<const std::uint32_t> counts) {
  double n = 0;
  for (std::uint32_t c : counts) n += c;
  std::array<double, design_return_periods.size()> positions{};
  for (std::size_t p = 0; p < positions.size(); ++p) positions[p] = weibull_position(n, design_return_periods[p]);
  return levels_at(ascending, counts, positions, n);
}

double gev_return_level(const Gev& gev, double years) { return gev_quantile(gev, 1 - 1 / years); }

}  // namespace raingen::stats
