#include "stats/correlation.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "gauge/dry_day.h"

namespace raingen::stats {

namespace {

// The index in each of the blocks of the first time they all cover, and how many times follow.
struct Overlap {
  std::vector<std::size_t> first;
  std::size_t count = 0;
};

Overlap overlap(const std::vector<const Blocks*>& all) {
  Overlap o;
  if (all.empty()) return o;
  const calendar::Minutes length = all.front()->length;
  calendar::TimePoint from = all.front()->start, to = all.front()->block_start(all.front()->size());
  for (const Blocks* b : all) {
    if (b->length != length) throw std::invalid_argument("blocks of different lengths are not matched by time");
    from = std::max(from, b->start);
    to = std::min(to, b->block_start(b->size()));
  }
  if (to <= from) return o;
  for (const Blocks* b : all) o.first.push_back(static_cast<std::size_t>((from - b->start) / length));
  o.count = static_cast<std::size_t>((to - from) / length);
  return o;
}

}  // namespace

Correlation pearson(std::span<const double> a, std::span<const double> b) {
  Correlation c;
  const std::size_t n = std::min(a.size(), b.size());
  double sum_a = 0, sum_b = 0;
  bool constant_a = true, constant_b = true;
  double first_a = 0, first_b = 0;
  for (std::size_t k = 0; k < n; ++k) {
    if (std::isnan(a[k]) || std::isnan(b[k])) continue;
    if (c.pairs == 0) first_a = a[k], first_b = b[k];
    constant_a = constant_a && a[k] == first_a;
    constant_b = constant_b && b[k] == first_b;
    sum_a += a[k];
    sum_b += b[k];
    ++c.pairs;
  }
  // Tested on the values, not on a sum of squares: a constant's mean need not be exact, and its
  // deviations' rounding would give an r of noise.
  if (c.pairs < 2 || constant_a || constant_b) return c;
  const double mean_a = sum_a / static_cast<double>(c.pairs), mean_b = sum_b / static_cast<double>(c.pairs);
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t k = 0; k < n; ++k) {
    if (std::isnan(a[k]) || std::isnan(b[k])) continue;
    const double da = a[k] - mean_a, db = b[k] - mean_b;
    ab += da * db;
    aa += da * da;
    bb += db * db;
  }
  c.r = std::clamp(ab / std::sqrt(aa * bb), -1.0, 1.0);
  return c;
}

Correlation block_correlation(const Blocks& a, const Blocks& b) {
  const Overlap o = overlap({&a, &b});
  if (o.count == 0) return {};
  // Views, not copies: a network of n sites correlates n (n - 1) / 2 pairs of long series.
  const auto part = [&o](const Blocks& blocks, std::size_t i) {
    return std::span<const double>(blocks.depths).subspan(o.first[i], o.count);
  };
  return pearson(part(a, 0), part(b, 1));
}

std::optional<double> JointWetness::share_at_all() const {
  if (present == 0) return std::nullopt;
  return static_cast<double>(wet_at_all) / static_cast<double>(present);
}

std::optional<double> JointWetness::share_at_any() const {
  if (present == 0) return std::nullopt;
  return static_cast<double>(wet_at_any) / static_cast<double>(present);
}

JointWetness joint_wetness(const std::vector<const Blocks*>& sites, double dry_threshold) {
  JointWetness w;
  const Overlap o = overlap(sites);
  for (std::size_t k = 0; k < o.count; ++k) {
    bool present = true, all = true, any = false;
    for (std::size_t s = 0; s < sites.size() && present; ++s) {
      const double v = sites[s]->depths[o.first[s] + k];
      present = !std::isnan(v);
      const bool wet = present && !gauge::is_dry(v, dry_threshold);
      all = all && wet;
      any = any || wet;
    }
    if (!present) continue;
    ++w.present;
    w.wet_at_all += all;
    w.wet_at_any += any;
  }
  return w;
}

}  // namespace raingen::stats
