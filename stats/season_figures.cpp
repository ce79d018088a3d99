#include "stats/season_figures.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "stats/calendar_summaries.h"
#include "stats/quantile.h"

namespace raingen::stats {

namespace {

unsigned month_of(calendar::TimePoint t) {
  return static_cast<unsigned>(date::year_month_day{calendar::day_of(t)}.month());
}

// The present depths of each season's blocks, in the order met.
std::vector<std::vector<double>> depths_by_season(const Blocks& blocks, const SeasonGrouping& seasons) {
  std::vector<std::vector<double>> by(seasons.count);
  // Blocks of one day share its month: the month is looked up once a day.
  std::size_t season = 0;
  calendar::Day day{};
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const calendar::Day d = calendar::day_of(blocks.block_start(k));
    if (k == 0 || d != day) {
      day = d;
      season = seasons.season_of[month_of(blocks.block_start(k)) - 1];
    }
    if (blocks.present(k)) by[season].push_back(blocks.depths[k]);
  }
  return by;
}

struct WetTail {
  std::optional<double> p99, largest;
};

WetTail wet_tail(std::vector<double> depths, double dry_threshold) {
  WetTail tail;
  if (!depths.empty()) tail.largest = *std::max_element(depths.begin(), depths.end());
  std::erase_if(depths, [&](double d) { return !(d > dry_threshold); });
  if (depths.empty()) return tail;
  std::sort(depths.begin(), depths.end());
  tail.p99 = quantile(depths, 0.99);
  return tail;
}

}  // namespace

CalendarFigures calendar_figures(const SeriesStatistics& statistics, const SeasonGrouping& seasons,
                                 double dry_threshold) {
  CalendarFigures figures;
  const Blocks& days = statistics.level(calendar::minutes_per_day).blocks;
  const std::array<double, 12> totals = mean_monthly_totals(days);
  for (std::size_t m = 0; m < 12; ++m)
    if (!std::isnan(totals[m])) figures.monthly_totals[m] = totals[m];

  // The wet-day share of the months that count: those with a mean total.
  std::map<date::year_month, std::pair<long, long>> months;  // present days, wet days
  for (std::size_t k = 0; k < days.size(); ++k) {
    if (!days.present(k)) continue;
    const date::year_month_day d{calendar::day_of(days.block_start(k))};
    auto& [present, wet] = months[d.year() / d.month()];
    ++present;
    wet += days.depths[k] > dry_threshold;
  }
  std::array<long, 12> present{}, wet{};
  for (const auto& [month, tally] : months) {
    const calendar::Day first{month / 1}, next{(month + date::months{1}) / 1};
    if (static_cast<double>(tally.first) < calendar_complete_share * static_cast<double>((next - first).count()))
      continue;
    const unsigned m = static_cast<unsigned>(month.month()) - 1;
    present[m] += tally.first;
    wet[m] += tally.second;
    ++figures.months_counted[m];
  }
  for (std::size_t m = 0; m < 12; ++m)
    if (present[m] > 0) figures.monthly_wet_shares[m] = static_cast<double>(wet[m]) / static_cast<double>(present[m]);

  const auto daily = depths_by_season(days, seasons);
  const auto quarter_hours = depths_by_season(statistics.level(calendar::minutes_per_interval).blocks, seasons);
  const auto hours = depths_by_season(statistics.level(60).blocks, seasons);
  for (std::size_t s = 0; s < seasons.count; ++s) {
    SeasonFigures f;
    f.days = static_cast<long>(daily[s].size());
    if (f.days > 0) {
      double sum = 0;
      long wet_days = 0;
      for (double d : daily[s]) {
        sum += d;
        wet_days += d > dry_threshold;
      }
      f.mean_daily = sum / static_cast<double>(f.days);
      f.wet_day_share = static_cast<double>(wet_days) / static_cast<double>(f.days);
    }
    const WetTail q = wet_tail(quarter_hours[s], dry_threshold), h = wet_tail(hours[s], dry_threshold);
    f.wet_15min_p99 = q.p99;
    f.largest_15min = q.largest;
    f.wet_hour_p99 = h.p99;
    f.largest_hour = h.largest;
    figures.seasons.push_back(f);
  }
  return figures;
}

}  // namespace raingen::stats
