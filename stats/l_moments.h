// Sample L-moments (Hosking, 1990) from the unbiased probability-weighted moments b0, b1, b2 of
// an ascending sample, and the generalized extreme-value distribution fitted to them (Hosking,
// Wallis and Wood, 1985). A sample may be given with a count for each value, as a bootstrap
// resample of it is (the same value k times in a row).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace raingen::stats {

struct LMoments {
  double l1 = 0, l2 = 0, l3 = 0;
  double t3() const { return l3 / l2; }  // L-skewness
};

// From ascending values, each counted once or counts[i] times; none for fewer than 3 values or
// values that are all equal (l2 = 0).
std::optional<LMoments> sample_l_moments(std::span<const double> ascending);
std::optional<LMoments> sample_l_moments(std::span<const double> ascending, std::span<const std::uint32_t> counts);

// The GEV in Hosking's form: F(x) = exp(-(1 - k (x - location) / scale)^(1/k)), the Gumbel
// distribution at k = 0; k < 0 is a heavy upper tail, k > 0 an upper bound at
// location + scale / k.
struct Gev {
  double location = 0, scale = 0, shape = 0;
};

// Hosking's L-moment estimators: k from t3 by 7.8590 z + 2.9554 z^2, z = 2 / (3 + t3) - ln 2 / ln 3
// (error below 0.0009 for -0.5 <= k <= 0.5), scale = l2 k / ((1 - 2^-k) G(1 + k)), location =
// l1 - scale (1 - G(1 + k)) / k (G the gamma function; the Gumbel limits near k = 0). None when
// k <= -1, where the GEV has no mean to match l1.
std::optional<Gev> fit_gev(const LMoments& moments);

// The value not exceeded with probability p (0 < p < 1).
double gev_quantile(const Gev& gev, double p);

}  // namespace raingen::stats
