#include "stats/network_correlation.h"

namespace raingen::stats {

NetworkCorrelation network_correlation(const std::vector<const gauge::CalendarSeries*>& sites,
                                       double min_complete_percent, double dry_threshold) {
  NetworkCorrelation figures;
  for (std::size_t i = 0; i < sites.size(); ++i)
    for (std::size_t j = i + 1; j < sites.size(); ++j) figures.pairs.push_back({i, j, {}});
  for (std::size_t level = 0; level < network_levels.size(); ++level) {
    // One level's blocks of every site at a time: a network's memory is its series, not three
    // copies of them.
    std::vector<Blocks> blocks;
    blocks.reserve(sites.size());
    for (const gauge::CalendarSeries* s : sites)
      blocks.push_back(aggregate(*s, network_levels[level], min_complete_percent));
    for (PairCorrelation& pair : figures.pairs)
      pair.at[level] = block_correlation(blocks[pair.first], blocks[pair.second]);
    std::vector<const Blocks*> all;
    for (const Blocks& b : blocks) all.push_back(&b);
    figures.wet[level] = joint_wetness(all, dry_threshold);
  }
  return figures;
}

}  // namespace raingen::stats
