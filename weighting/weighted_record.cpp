#include "weighting/weighted_record.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace raingen::weighting {

namespace {

// Distance squared as the program forms it: the general real power, stored as a 32-bit float
// (exactly the square for the distances of 3 digits).
double program_weight(int distance) { return static_cast<float>(std::pow(static_cast<double>(distance), 2.0)); }

__extension__ using Wide = __int128;  // the exact mean's numerator reaches 1e15 * 1e18

// The value in millionths of a mm when it is a decimal of up to 6 places.
std::optional<std::int64_t> millionths(double mm) {
  if (!(std::fabs(mm) < 1e9)) return std::nullopt;
  const double scaled = mm * 1e6;
  const double whole = std::round(scaled);
  if (std::fabs(scaled - whole) > 1e-3) return std::nullopt;
  return static_cast<std::int64_t>(whole);
}

// v, the weighted value of the decimals g with the whole-number weights w, when it lies within
// 1e-9 mm of a half hundredth: the half itself when the exact mean is on it, else 2e-9 mm to the
// side where the exact mean lies. v itself otherwise, or when a g has more than 6 decimals.
double settled(double v, const std::array<double, station_count>& g, const std::array<double, station_count>& w) {
  if (!(std::fabs(v) < 1e9)) return v;
  const double below = std::floor(v * 100.0);  // the half lies between below and below + 1 hundredths
  if (!(std::fabs(v * 100.0 - below - 0.5) < 1e-7)) return v;
  Wide product = 1;
  for (std::size_t i = 0; i < g.size(); ++i)
    if (!std::isnan(g[i])) product *= static_cast<Wide>(w[i]);
  Wide numerator = 0, denominator = 0;  // the exact mean in millionths of a mm is their quotient
  for (std::size_t i = 0; i < g.size(); ++i) {
    if (std::isnan(g[i])) continue;
    const std::optional<std::int64_t> m = millionths(g[i]);
    if (!m) return v;
    const Wide share = product / static_cast<Wide>(w[i]);
    numerator += static_cast<Wide>(*m) * share;
    denominator += share;
  }
  // In hundredths the mean is numerator / (denominator 10^4), the half (2 below + 1) / 2.
  const Wide twice_mean = 2 * numerator;
  const Wide twice_half = static_cast<Wide>(2 * static_cast<std::int64_t>(below) + 1) * denominator * 10000;
  const double half = (2.0 * below + 1.0) / 200.0;
  if (twice_mean == twice_half) return half;
  return twice_mean < twice_half ? half - 2e-9 : half + 2e-9;
}

}  // namespace

std::vector<int> stations_weighted(const std::array<int, station_count>& distances) {
  for (int i = 0; i < station_count; ++i)
    if (distances[static_cast<std::size_t>(i)] == 0) return {i};
  return {0, 1, 2};
}

std::array<double, station_count> station_shares(const std::array<int, station_count>& distances) {
  std::array<double, station_count> shares{};
  const std::vector<int> used = stations_weighted(distances);
  if (used.size() == 1) {
    shares[static_cast<std::size_t>(used[0])] = 1.0;
    return shares;
  }
  double sum = 0;
  for (int i = 0; i < station_count; ++i) sum += 1.0 / program_weight(distances[static_cast<std::size_t>(i)]);
  for (int i = 0; i < station_count; ++i)
    shares[static_cast<std::size_t>(i)] = 1.0 / program_weight(distances[static_cast<std::size_t>(i)]) / sum;
  return shares;
}

double weighted_value(const std::array<double, station_count>& g, const std::array<double, station_count>& w) {
  // The program's order: numerator (G3/W3 + G1/W1) + G2/W2, denominator (1/W1 + 1/W2) + 1/W3; a
  // record not present leaves its terms out.
  // A dry interval (most are) is 0 whatever the weights.
  bool dry = true, present = false;
  for (double depth : g)
    if (!std::isnan(depth)) present = true, dry = dry && depth == 0;
  if (present && dry) return 0.0;
  double numerator = 0, denominator = 0;
  bool any = false;
  for (std::size_t i : {2, 0, 1})
    if (!std::isnan(g[i])) numerator += g[i] / w[i];
  for (std::size_t i : {0, 1, 2})
    if (!std::isnan(g[i])) {
      denominator += 1.0 / w[i];
      any = true;
    }
  if (!any) return gauge::CalendarSeries::missing_value();
  return settled(numerator / denominator, g, w);
}

gauge::CalendarSeries weighted_record(std::string name,
                                      const std::array<const gauge::CalendarSeries*, station_count>& records,
                                      const std::array<int, station_count>& distances, Presence present,
                                      RecordsPresent* counts) {
  const std::vector<int> used = stations_weighted(distances);
  const bool over_any = present == Presence::any && used.size() > 1;
  calendar::TimePoint start = calendar::TimePoint::max(), end = calendar::TimePoint::min();
  if (!over_any) std::swap(start, end);
  for (int i : used) {
    const gauge::CalendarSeries* r = records[static_cast<std::size_t>(i)];
    if (r == nullptr) throw std::invalid_argument("the weighting needs the record of every station it uses");
    if (r->empty() && over_any) continue;
    start = over_any ? std::min(start, r->start()) : std::max(start, r->start());
    end = over_any ? std::max(end, r->end()) : std::min(end, r->end());
  }
  const std::size_t count = end > start ? static_cast<std::size_t>((end - start) / calendar::interval_length) : 0;
  gauge::CalendarSeries site(std::move(name), count > 0 || !over_any ? start : calendar::TimePoint{}, count);
  RecordsPresent made{};

  // The value of record i at the site's interval k, NaN where it is missing or does not reach.
  std::array<long, station_count> offset{};  // where the site's interval 0 falls in record i
  if (count > 0)
    for (int i : used)
      offset[static_cast<std::size_t>(i)] =
          (start - records[static_cast<std::size_t>(i)]->start()) / calendar::interval_length;
  const auto value = [&](std::size_t i, std::size_t k) {
    const gauge::CalendarSeries& r = *records[i];
    const long at = offset[i] + static_cast<long>(k);
    return at >= 0 && at < static_cast<long>(r.size()) ? r.depth(static_cast<std::size_t>(at))
                                                       : gauge::CalendarSeries::missing_value();
  };

  if (used.size() == 1) {
    const auto i = static_cast<std::size_t>(used[0]);
    for (std::size_t k = 0; k < count; ++k) {
      site.set_depth(k, value(i, k));
      ++made[site.present(k) ? 1 : 0];
    }
  } else {
    const std::array<double, station_count> w{program_weight(distances[0]), program_weight(distances[1]),
                                              program_weight(distances[2])};
    for (std::size_t k = 0; k < count; ++k) {
      const std::array<double, station_count> g{value(0, k), value(1, k), value(2, k)};
      const auto n =
          static_cast<std::size_t>(std::count_if(g.begin(), g.end(), [](double v) { return !std::isnan(v); }));
      if (n == 0 || (n < station_count && !over_any)) {
        ++made[0];
        continue;  // missing
      }
      site.set_depth(k, weighted_value(g, w));
      ++made[n];
    }
  }
  if (counts) *counts = made;
  return site;
}

}  // namespace raingen::weighting
