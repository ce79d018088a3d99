// Dry and wet spells of daily blocks: runs of days of one kind with a day of the other kind, not
// a left-out day or an end of the series, on both sides. A run that touches a gap or an end is
// of unknown length and is not counted.
#pragma once

#include <optional>
#include <vector>

#include "stats/blocks.h"

namespace raingen::stats {

struct Spells {
  std::vector<int> dry;  // lengths in days, in the order they occur
  std::vector<int> wet;
};

// A day is dry or wet by its depth (gauge/dry_day.h).
Spells closed_spells(const Blocks& days, double dry_threshold);

std::optional<double> mean_length(const std::vector<int>& lengths);

}  // namespace raingen::stats
