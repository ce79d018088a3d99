// How much two sites' rain goes together: Pearson's correlation of their depths over the blocks
// present at both, and the share of blocks wet at all sites at once. Blocks are matched by time,
// so series of different spans (two sites' weighted records from different gauges) compare over
// what they share.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "stats/blocks.h"

namespace raingen::stats {

struct Correlation {
  std::optional<double> r;  // none: fewer than two pairs, or either side constant over them
  std::size_t pairs = 0;    // blocks present on both sides
};

// Pearson's r over the indices where both a and b are present (NaN: missing), from the pairs'
// own means. A side whose paired values are all equal gives no r (a dry spell at one site says
// nothing of how the sites go together).
Correlation pearson(std::span<const double> a, std::span<const double> b);

// pearson over the blocks of a and b that begin at the same time. Throws std::invalid_argument
// for blocks of different lengths.
Correlation block_correlation(const Blocks& a, const Blocks& b);

struct JointWetness {
  std::size_t present = 0;                     // blocks present at every site
  std::size_t wet_at_all = 0;                  // of those, wet (above the dry threshold) at every site
  std::size_t wet_at_any = 0;                  // wet at one site at least
  std::optional<double> share_at_all() const;  // of the blocks present; none without one
  std::optional<double> share_at_any() const;
};

// Over the times where every site's blocks are present. Throws std::invalid_argument for blocks of
// different lengths.
JointWetness joint_wetness(const std::vector<const Blocks*>& sites, double dry_threshold);

}  // namespace raingen::stats
