#include "stats/moments.h"

#include <cmath>

#include "gauge/dry_day.h"

namespace raingen::stats {

namespace {

struct Central {
  double n = 0, mean = 0, m2 = 0, m3 = 0;  // m2 and m3: sums of powers of deviations
};

// Two passes: the mean first, so that deviations of long records keep their digits.
Central central_sums(const Blocks& blocks) {
  Central c;
  double sum = 0;
  for (double v : blocks.depths)
    if (!std::isnan(v)) {
      sum += v;
      ++c.n;
    }
  if (c.n == 0) return c;
  c.mean = sum / c.n;
  for (double v : blocks.depths)
    if (!std::isnan(v)) {
      const double d = v - c.mean;
      c.m2 += d * d;
      c.m3 += d * d * d;
    }
  return c;
}

}  // namespace

std::optional<double> mean(const Blocks& blocks) {
  const Central c = central_sums(blocks);
  if (c.n == 0) return std::nullopt;
  return c.mean;
}

std::optional<double> variance(const Blocks& blocks) {
  const Central c = central_sums(blocks);
  if (c.n < 2) return std::nullopt;
  return c.m2 / (c.n - 1);
}

std::optional<double> coefficient_of_variation(const Blocks& blocks) {
  const Central c = central_sums(blocks);
  if (c.n < 2 || c.mean == 0) return std::nullopt;
  return std::sqrt(c.m2 / (c.n - 1)) / c.mean;
}

std::optional<double> skewness(const Blocks& blocks) {
  const Central c = central_sums(blocks);
  if (c.n == 0 || c.m2 == 0) return std::nullopt;
  return (c.m3 / c.n) / std::pow(c.m2 / c.n, 1.5);
}

std::optional<double> lag1_autocorrelation(const Blocks& blocks) {
  const auto& x = blocks.depths;
  double pairs = 0, sum_first = 0, sum_second = 0;
  for (std::size_t k = 1; k < x.size(); ++k)
    if (!std::isnan(x[k - 1]) && !std::isnan(x[k])) {
      ++pairs;
      sum_first += x[k - 1];
      sum_second += x[k];
    }
  if (pairs < 2) return std::nullopt;
  const double mean_first = sum_first / pairs, mean_second = sum_second / pairs;
  double sxy = 0, sxx = 0, syy = 0;
  for (std::size_t k = 1; k < x.size(); ++k)
    if (!std::isnan(x[k - 1]) && !std::isnan(x[k])) {
      const double a = x[k - 1] - mean_first, b = x[k] - mean_second;
      sxy += a * b;
      sxx += a * a;
      syy += b * b;
    }
  if (sxx == 0 || syy == 0) return std::nullopt;
  return sxy / std::sqrt(sxx * syy);
}

std::optional<double> probability_dry(const Blocks& blocks, double dry_threshold) {
  double n = 0, dry = 0;
  for (double v : blocks.depths)
    if (!std::isnan(v)) {
      ++n;
      if (gauge::is_dry(v, dry_threshold)) ++dry;
    }
  if (n == 0) return std::nullopt;
  return dry / n;
}

}  // namespace raingen::stats
