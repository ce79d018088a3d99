#include "stats/spells.h"

#include <cmath>

#include "gauge/dry_day.h"

namespace raingen::stats {

namespace {

enum class Kind { gap, dry, wet };

}  // namespace

Spells closed_spells(const Blocks& days, double dry_threshold) {
  auto kind = [&](std::size_t k) {
    const double v = days.depths[k];
    return std::isnan(v) ? Kind::gap : gauge::is_dry(v, dry_threshold) ? Kind::dry : Kind::wet;
  };
  Spells spells;
  std::size_t k = 0;
  while (k < days.size()) {
    const Kind run = kind(k);
    std::size_t end = k + 1;
    while (end < days.size() && kind(end) == run) ++end;
    // Days of two kinds alternate, so a neighbour that is not a gap is of the other kind.
    const bool closed =
        run != Kind::gap && k > 0 && kind(k - 1) != Kind::gap && end < days.size() && kind(end) != Kind::gap;
    if (closed) (run == Kind::dry ? spells.dry : spells.wet).push_back(static_cast<int>(end - k));
    k = end;
  }
  return spells;
}

std::optional<double> mean_length(const std::vector<int>& lengths) {
  if (lengths.empty()) return std::nullopt;
  double sum = 0;
  for (int n : lengths) sum += n;
  return sum / static_cast<double>(lengths.size());
}

}  // namespace raingen::stats
