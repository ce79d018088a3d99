// Moments and shares of the blocks that are present. Each returns no value when the blocks
// cannot give one (too few blocks, a zero mean or a constant series where it divides).
#pragma once

#include <optional>

#include "stats/blocks.h"

namespace raingen::stats {

// The sums the moments are taken from, in two sweeps over the blocks: the mean first, so that
// deviations of long records keep their digits, then the deviations' powers and the dry blocks.
// The statistics of a level read them once instead of sweeping the blocks once each.
struct Moments {
  double n = 0, mean = 0, m2 = 0, m3 = 0;  // m2 and m3: sums of powers of deviations
  double dry = 0;                          // blocks at or below the dry threshold
};
Moments moments_of(const Blocks& blocks, double dry_threshold);

std::optional<double> mean(const Moments& m);
// Divisor n - 1; needs two blocks.
std::optional<double> variance(const Moments& m);
// Square root of the variance over the mean.
std::optional<double> coefficient_of_variation(const Moments& m);
// m3 / m2^1.5, the central moments with divisor n.
std::optional<double> skewness(const Moments& m);
// Share of the blocks that are dry (gauge/dry_day.h).
std::optional<double> probability_dry(const Moments& m);

std::optional<double> mean(const Blocks& blocks);
std::optional<double> variance(const Blocks& blocks);
std::optional<double> coefficient_of_variation(const Blocks& blocks);
std::optional<double> skewness(const Blocks& blocks);
std::optional<double> probability_dry(const Blocks& blocks, double dry_threshold);
// Pearson correlation over the pairs of consecutive blocks that are both present, each member of
// a pair taking the mean of its own side.
std::optional<double> lag1_autocorrelation(const Blocks& blocks);

}  // namespace raingen::stats
