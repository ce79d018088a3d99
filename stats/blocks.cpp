#include "stats/blocks.h"

#include <algorithm>
#include <stdexcept>

namespace raingen::stats {

Blocks aggregate(const gauge::CalendarSeries& series, int minutes, double min_complete_percent) {
  if (minutes <= 0 || minutes % calendar::minutes_per_interval != 0 || calendar::minutes_per_day % minutes != 0)
    throw std::invalid_argument("a block length divides the day into 15-minute multiples");
  Blocks blocks;
  blocks.length = calendar::Minutes{minutes};
  const long first = calendar::minute_number(series.start());
  // Minutes count from a midnight, so a multiple of the length is aligned to midnight.
  const long offset = ((first % minutes) + minutes) % minutes;
  blocks.start = series.start() - calendar::Minutes{offset};
  if (series.empty()) return blocks;

  const long per_block = minutes / calendar::minutes_per_interval;
  const long lead = offset / calendar::minutes_per_interval;  // intervals of block 0 before the series starts
  const long total = lead + static_cast<long>(series.size());
  const long count = (total + per_block - 1) / per_block;
  blocks.depths.resize(static_cast<std::size_t>(count));
  const double needed = min_complete_percent * static_cast<double>(per_block);
  const std::vector<double>& depths = series.depths();
  if (per_block == 1 && min_complete_percent <= 100) {  // each interval its own block, kept when present
    std::transform(depths.begin(), depths.end(), blocks.depths.begin(), [](double v) { return v + 0.0; });
    return blocks;
  }
  for (long b = 0; b < count; ++b) {
    const long from = std::max(0L, b * per_block - lead);
    const long to = std::min(static_cast<long>(series.size()), (b + 1) * per_block - lead);
    double sum = 0.0;
    long present = 0;
    for (long k = from; k < to; ++k) {
      const double v = depths[static_cast<std::size_t>(k)];
      if (!std::isnan(v)) {
        sum += v;
        ++present;
      }
    }
    const bool kept = present > 0 && static_cast<double>(present) * 100.0 >= needed;
    blocks.depths[static_cast<std::size_t>(b)] = kept ? sum : gauge::CalendarSeries::missing_value();
  }
  return blocks;
}

}  // namespace raingen::stats
