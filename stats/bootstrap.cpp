#include "stats/bootstrap.h"

#include <algorithm>
#include <limits>

namespace raingen::stats {

std::uint64_t YearResampler::index_below(std::uint64_t n) {
  // Draws at or above the largest multiple of n would favour the small indices: drawn again.
  const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max() - std::numeric_limits<std::uint64_t>::max() % n;
  std::uint64_t draw;
  do draw = engine_();
  while (draw >= limit);
  return draw % n;
}

void YearResampler::draw(std::vector<std::uint32_t>& counts) {
  std::fill(counts.begin(), counts.end(), 0u);
  for (std::size_t k = 0; k < counts.size(); ++k) ++counts[index_below(counts.size())];
}

}  // namespace raingen::stats
