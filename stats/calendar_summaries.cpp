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
  std::map<int, Tally> years;
  // Blocks start at a midnight and a day holds a whole number of them: the year is looked up once
  // per day, not per block.
  const std::size_t per_day = static_cast<std::size_t>(calendar::Days{1} / blocks.length);
  for (std::size_t first = 0; first < blocks.size(); first += per_day) {
    Tally* t = nullptr;
    for (std::size_t k = first; k < std::min(first + per_day, blocks.size()); ++k) {
      if (!blocks.present(k)) continue;
      if (t == nullptr) t = &years[static_cast<int>(date_of(blocks.block_start(k)).year())];
      ++t->present;
      t->maximum = std::max(t->maximum, blocks.depths[k]);
    }
  }
  std::vector<AnnualMaximum> maxima;
  for (const auto& [year, tally] : years) {
    const date::year y{year};
    const long in_year = blocks_in(calendar::Day{y / 1 / 1}, calendar::Day{(y + date::years{1}) / 1 / 1}, blocks.length);
    if (static_cast<double>(tally.present) >= calendar_complete_share * static_cast<double>(in_year))
      maxima.push_back({year, tally.maximum});
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
    if (static_cast<double>(tally.present) < calendar_complete_share * static_cast<double>(blocks_in(first, next, days.length)))
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
