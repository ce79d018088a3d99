#include "stats/moments.h"

#include <cmath>

#include "gauge/dry_day.h"

namespace raingen::stats {

Moments moments_of(const Blocks& blocks, double dry_threshold) {
  Moments m;
  double sum = 0;
  for (double v : blocks.depths)
    if (!std::isnan(v)) {
      sum += v;
      ++m.n;
    }
  if (m.n == 0) return m;
  m.mean = sum / m.n;
  for (double v : blocks.depths)
    if (!std::isnan(v)) {
      const double d = v - m.mean;
      m.m2 += d * d;
      m.m3 += d * d * d;
      if (gauge::is_dry(v, dry_threshold)) ++m.dry;
    }
  return m;
}

std::optional<double> mean(const Moments& m) {
  if (m.n == 0) return std::nullopt;
  return m.mean;
}

std::optional<double> variance(const Moments& m) {
  if (m.n < 2) return std::nullopt;
  return m.m2 / (m.n - 1);
}

std::optional<double> coefficient_of_variation(const Moments& m) {
  if (m.n < 2 || m.mean == 0) return std::nullopt;
  return std::sqrt(m.m2 / (m.n - 1)) / m.mean;
}

std::optional<double> skewness(const Moments& m) {
  if (m.n == 0 || m.m2 == 0) return std::nullopt;
  return (m.m3 / m.n) / std::pow(m.m2 / m.n, 1.5);
}

std::optional<double> probability_dry(const Moments& m) {
  if (m.n == 0) return std::nullopt;
  return m.dry / m.n;
}

std::optional<double> mean(const Blocks& blocks) { return mean(moments_of(blocks, 0)); }
std::optional<double> variance(const Blocks& blocks) { return variance(moments_of(blocks, 0)); }
std::optional<double> coefficient_of_variation(const Blocks& blocks) {
  return coefficient_of_variation(moments_of(blocks, 0));
}
std::optional<double> skewness(const Blocks& blocks) { return skewness(moments_of(blocks, 0)); }
std::optional<double> probability_dry(const Blocks& blocks, double dry_threshold) {
  return probability_dry(moments_of(blocks, dry_threshold));
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

}  // namespace raingen::stats
