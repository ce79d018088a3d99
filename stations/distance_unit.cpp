#include "stations/distance_unit.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "common/program_files.h"
#include "weighting/weighted_record.h"

namespace raingen::stations {

namespace {

// The first station at the site takes the whole site value; otherwise the exact inverse squares.
std::array<double, 3> exact_shares_of(const std::array<double, 3>& metres, const std::array<bool, 3>& at_site) {
  std::array<double, 3> shares{};
  const auto first = std::find(at_site.begin(), at_site.end(), true);
  if (first != at_site.end()) {
    shares[static_cast<std::size_t>(first - at_site.begin())] = 1;
    return shares;
  }
  double sum = 0;
  for (double m : metres) sum += 1 / (m * m);
  for (std::size_t i = 0; i < 3; ++i) shares[i] = 1 / (metres[i] * metres[i]) / sum;
  return shares;
}

DistancesInUnit in_unit(int unit, const std::array<double, 3>& metres, const std::array<bool, 3>& at_site,
                        const std::array<double, 3>& exact) {
  DistancesInUnit d{.unit_metres = unit, .fits = true};
  for (std::size_t i = 0; i < 3; ++i) {
    const double n = at_site[i] ? 0 : std::round(metres[i] / unit);
    d.fits = d.fits && (at_site[i] || (n >= 1 && n <= common::largest_distance));
    d.distances[i] = static_cast<int>(std::min<double>(n, common::largest_distance + 1));
  }
  if (!d.fits) return d;
  d.shares = weighting::station_shares(d.distances);
  for (std::size_t i = 0; i < 3; ++i) d.largest_error = std::max(d.largest_error, std::fabs(d.shares[i] - exact[i]));
  return d;
}

}  // namespace

DistancePlan plan_distances(const std::array<double, 3>& metres, const std::array<bool, 3>& at_site) {
  DistancePlan plan;
  plan.exact_shares = exact_shares_of(metres, at_site);
  for (int unit : distance_units_metres) plan.units.push_back(in_unit(unit, metres, at_site, plan.exact_shares));
  const auto keeps = [](const DistancesInUnit& d) { return d.fits && d.largest_error < weight_tolerance; };
  if (keeps(plan.units.front())) {
    plan.chosen = 0;
    return plan;
  }
  for (std::size_t k = plan.units.size(); k-- > 0;) {  // the finest that fits, or a coarser that keeps the weights
    if (!keeps(plan.units[k])) continue;
    plan.chosen = k;
    break;
  }
  return plan;
}

std::string unit_text(int unit_metres) {
  return unit_metres % 1000 == 0 ? fmt::format("{} km", unit_metres / 1000) : fmt::format("{} m", unit_metres);
}

}  // namespace raingen::stations
