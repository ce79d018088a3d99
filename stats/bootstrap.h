// Resampling years with replacement for the bootstrap intervals of return levels. The draws
// come from std::mt19937_64, whose sequence the C++ standard fixes, turned into indices by
// rejection (no std::uniform_int_distribution, whose method each library chooses): the same seed
// gives the same intervals with every compiler and on every machine.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace raingen::stats {

// The report's bootstrap: 1000 resamples from seed 27, the 5% and 95% quantiles of the resampled
// return levels (a 90% percentile interval).
inline constexpr std::uint64_t bootstrap_seed = 27;
inline constexpr int bootstrap_resamples = 1000;
inline constexpr double interval_low = 0.05, interval_high = 0.95;

class YearResampler {
 public:
  explicit YearResampler(std::uint64_t seed) : engine_(seed) {}
  // counts[i] becomes how often year i is drawn in n = counts.size() draws.
  void draw(std::vector<std::uint32_t>& counts);
  // A whole number from 0 to n - 1, each equally likely.
  std::uint64_t index_below(std::uint64_t n);

 private:
  std::mt19937_64 engine_;
};

}  // namespace raingen::stats
