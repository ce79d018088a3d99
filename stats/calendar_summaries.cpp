#include "stats/calendar_summaries.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace raingen::stats {

namespace {

date::year_month_day date_of(calendar::TimePoint t) { return date::year_month_day{calendar::day_of(t)}; }

long blocks_in(calendar::Day from, calendar::Day to, calendar::Minutes length) {
  return static_cast<long>((to - from) / length);
}

struct Tally {
  long present = 0;
  double maximum = -std::numeric_limits<double>::infinity();
  double total = 0;
};

}  // namespace

std::vector<AnnualMaximum> annual_maxima(const Blocks& blocks) {
  std::vector<AnnualMaximum> maxima;
  if (blocks.size() == 0) return maxima;
  // Blocks start at a multiple of their length after a midnight, so a year's first block is a
  // whole number of blocks from block 0: each year is one run of blocks.
  const long count = static_cast<long>(blocks.size());
  auto index_of = [&](calendar::Day d) {
    return std::clamp(static_cast<long>((d - blocks.start) / blocks.length), 0L, count);
  };
  for (date::year y = date_of(blocks.start).year(); index_of(calendar::Day{y / 1 / 1}) < count; ++y) {
    const calendar::Day first{y / 1 / 1}, next{(y + date::years{1}) / 1 / 1};
    // Four maxima side by side, so that each compare waits on the one four values back: a
    // maximum is the same in any order.
    std::array<double, 4> maximum;
    maximum.fill(-std::numeric_limits<double>::infinity());
    long present = 0;
    const long from = index_of(first), to = index_of(next);
    for (long k = from; k < to; ++k) {
      const double v = blocks.depths[static_cast<std::size_t>(k)];
      if (std::isnan(v)) continue;
      ++present;
      double& m = maximum[static_cast<std::size_t>(k & 3)];
      m = std::max(m, v);
    }
    const Tally t{present, *std::max_element(maximum.begin(), maximum.end()), 0};
    if (t.present > 0 && static_cast<double>(t.present) >=
                             calendar_complete_share * static_cast<double>(blocks_in(first, next, blocks.length)))
      maxima.push_back({static_cast<int>(y), t.maximum});
  }
  return maxima;
}

std::optional<double> annual_max_mean(const Blocks& blocks) {
  const std::vector<AnnualMaximum> maxima = annual_maxima(blocks);
  if (maxima.empty()) return std::nullopt;
  double sum = 0;
  for (const AnnualMaximum& m : maxima) sum += m.depth;
  return sum / static_cast<double>(maxima.size());
}

std::array<double, 12> mean_monthly_totals(const Blocks& days) {
  std::map<date::year_month, Tally> months;
  for (std::size_t k = 0; k < days.size(); ++k) {
    if (!days.present(k)) continue;
    const date::year_month_day d = date_of(days.block_start(k));
    Tally& t = months[d.year() / d.month()];
    ++t.present;
    t.total += days.depths[k];
  }
  std::array<double, 12> sum{}, count{};
  for (const auto& [month, tally] : months) {
    const calendar::Day first{month / 1};
    const calendar::Day next{(month + date::months{1}) / 1};
    if (static_cast<double>(tally.present) <
        calendar_complete_share * static_cast<double>(blocks_in(first, next, days.length)))
      continue;
    const unsigned m = static_cast<unsigned>(month.month()) - 1;
    sum[m] += tally.total;
    ++count[m];
  }
  std::array<double, 12> means;
  for (std::size_t m = 0; m < 12; ++m)
    means[m] = count[m] > 0 ? sum[m] / count[m] : std::numeric_limits<double>::quiet_NaN();
  return means;
}

}  // namespace raingen::stats
