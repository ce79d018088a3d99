#include "stats/l_moments.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace raingen::stats {

namespace {

// Below this |k| the GEV's formulas lose digits to 1 - 2^-k and are replaced by their Gumbel limits.
constexpr double gumbel_shape = 1e-7;
constexpr double euler_gamma = 0.57721566490153286;

// Sums over the positions q = from .. to - 1 (positions from 0) of q and of q (q - 1): the
// weights (j - 1) and (j - 1)(j - 2) of b1 and b2 for the ranks j = q + 1 a run of equal values takes.
double sum_q(double from, double to) { return (to * (to - 1) - from * (from - 1)) / 2; }
double sum_q2(double from, double to) { return (to * (to - 1) * (to - 2) - from * (from - 1) * (from - 2)) / 3; }

}  // namespace

std::optional<LMoments> sample_l_moments(std::span<const double> ascending) {
  const std::vector<std::uint32_t> once(ascending.size(), 1);
  return sample_l_moments(ascending, once);
}

std::optional<LMoments> sample_l_moments(std::span<const double> ascending, std::span<const std::uint32_t> counts) {
  double n = 0, s0 = 0, s1 = 0, s2 = 0;
  for (std::size_t i = 0; i < ascending.size(); ++i) {
    if (counts[i] == 0) continue;
    const double x = ascending[i], from = n, to = n + counts[i];
    s0 += counts[i] * x;
    s1 += sum_q(from, to) * x;
    s2 += sum_q2(from, to) * x;
    n = to;
  }
  if (n < 3) return std::nullopt;
  const double b0 = s0 / n, b1 = s1 / (n * (n - 1)), b2 = s2 / (n * (n - 1) * (n - 2));
  LMoments m{b0, 2 * b1 - b0, 6 * b2 - 6 * b1 + b0};
  if (!(m.l2 > 0)) return std::nullopt;
  return m;
}

std::optional<Gev> fit_gev(const LMoments& m) {
  const double z = 2 / (3 + m.t3()) - std::numbers::ln2 / std::log(3.0);
  const double k = 7.8590 * z + 2.9554 * z * z;
  if (!(k > -1)) return std::nullopt;
  if (std::fabs(k) < gumbel_shape) {
    const double scale = m.l2 / std::numbers::ln2;
    return Gev{m.l1 - euler_gamma * scale, scale, 0};
  }
  const double g = std::tgamma(1 + k);
  const double scale = m.l2 * k / ((1 - std::pow(2.0, -k)) * g);
  return Gev{m.l1 - scale * (1 - g) / k, scale, k};
}

double gev_quantile(const Gev& gev, double p) {
  const double y = -std::log(p);
  if (gev.shape == 0) return gev.location - gev.scale * std::log(y);
  return gev.location + gev.scale * (1 - std::pow(y, gev.shape)) / gev.shape;
}

}  // namespace raingen::stats
