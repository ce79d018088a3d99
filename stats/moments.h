// Moments and shares of the blocks that are present. Each returns no value when the blocks
// cannot give one (too few blocks, a zero mean or a constant series where it divides).
#pragma once

#include <optional>

#include "stats/blocks.h"

namespace raingen::stats {

std::optional<double> mean(const Blocks& blocks);
// Divisor n - 1; needs two blocks.
std::optional<double> variance(const Blocks& blocks);
// Square root of the variance over the mean.
std::optional<double> coefficient_of_variation(const Blocks& blocks);
// m3 / m2^1.5, the central moments with divisor n.
std::optional<double> skewness(const Blocks& blocks);
// Pearson correlation over the pairs of consecutive blocks that are both present, each member of
// a pair taking the mean of its own side.
std::optional<double> lag1_autocorrelation(const Blocks& blocks);
// Share of the blocks that are dry (gauge/dry_day.h).
std::optional<double> probability_dry(const Blocks& blocks, double dry_threshold);

}  // namespace raingen::stats
