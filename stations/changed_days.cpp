#include "stations/changed_days.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/tool_error.h"
#include "stations/station_files.h"

namespace raingen::stations {

namespace {

using calendar::intervals_per_day;

// The hundredths of every wet interval of the wet days, sorted.
std::vector<std::int64_t> wet_depths(const RecordDays& days) {
  std::vector<std::int64_t> pool;
  for (std::size_t d = 0; d < days.size(); ++d) {
    if (days.kinds[d] != DayKind::wet) continue;
    for (int j = 0; j < intervals_per_day; ++j)
      if (const std::int64_t h = hundredths(days.day_depths(d)[j]); h > 0) pool.push_back(h);
  }
  std::sort(pool.begin(), pool.end());
  return pool;
}

// depth (hundredths) times factor, to the nearest hundredth (a half up), 1 at least.
std::int64_t scaled(std::int64_t depth, double factor) {
  return std::max<std::int64_t>(1, static_cast<std::int64_t>(std::floor(depth * factor + 0.5 + 1e-9)));
}

// Positions round((i + 0.5) n / count) for i < count: count of n, evenly spaced.
std::vector<std::size_t> evenly(std::size_t n, std::size_t count) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < count; ++i) at.push_back((2 * i + 1) * n / (2 * count));
  return at;
}

unsigned month_of(calendar::Day first_day, std::size_t d) {
  return static_cast<unsigned>(date::year_month_day{first_day + calendar::Days{static_cast<long>(d)}}.month());
}

// The wet day nearest to day d in the same month of the year (the earlier on a tie), else the
// nearest wet day; months[i] is the month of wet[i].
std::size_t nearest_wet(const std::vector<std::size_t>& wet, const std::vector<unsigned>& months, unsigned month,
                        std::size_t d) {
  std::size_t best = 0, best_same = wet.size();
  const auto distance = [&](std::size_t i) { return wet[i] > d ? wet[i] - d : d - wet[i]; };
  for (std::size_t i = 0; i < wet.size(); ++i) {
    if (distance(i) < distance(best)) best = i;
    if (months[i] == month && (best_same == wet.size() || distance(i) < distance(best_same))) best_same = i;
  }
  return wet[best_same < wet.size() ? best_same : best];
}

}  // namespace

WetDayChange wet_day_change(const std::vector<DayKind>& kinds, calendar::Day first_day, double percent,
                            const std::string& source) {
  WetDayChange change{.kinds = kinds};
  std::vector<std::size_t> wet;
  std::vector<unsigned> months;                             // of each wet day
  std::array<std::vector<std::size_t>, 12> wet_in, dry_in;  // each month of the year's days
  for (std::size_t d = 0; d < kinds.size(); ++d) {
    if (kinds[d] != DayKind::wet && kinds[d] != DayKind::dry) continue;
    const unsigned month = month_of(first_day, d);
    (kinds[d] == DayKind::wet ? wet_in : dry_in)[month - 1].push_back(d);
    if (kinds[d] == DayKind::wet) wet.push_back(d), months.push_back(month);
  }
  const auto count_of = [&](std::size_t n) {
    return static_cast<std::size_t>(std::llround(std::abs(percent) / 100 * static_cast<double>(n)));
  };
  std::size_t dry = 0;
  for (const auto& days : dry_in) dry += days.size();
  if (percent > 0 && count_of(wet.size()) > dry)
    throw common::ToolError(source, 0,
                            fmt::format("--change wet-days=+{:g}% would make {} dry days wet, and the record has {} "
                                        "complete dry days",
                                        percent, count_of(wet.size()), dry));
  for (unsigned m = 1; m <= 12; ++m) {  // month by month, so that every month's pool changes alike
    const std::vector<std::size_t>&wet_days = wet_in[m - 1], &dry_days = dry_in[m - 1];
    const std::size_t count = count_of(wet_days.size());
    if (percent < 0) {
      for (std::size_t i : evenly(wet_days.size(), count)) change.kinds[wet_days[i]] = DayKind::dry;
      change.removed += static_cast<long>(count);
      continue;
    }
    if (count > dry_days.size())
      throw common::ToolError(source, 0,
                              fmt::format("--change wet-days=+{:g}% would make {} dry days of month {} wet, and the "
                                          "record has {} complete dry days in it",
                                          percent, count, m, dry_days.size()));
    for (std::size_t i : evenly(dry_days.size(), count)) {
      change.kinds[dry_days[i]] = DayKind::wet;
      change.copies.emplace_back(dry_days[i], nearest_wet(wet, months, m, dry_days[i]));
    }
    change.added += static_cast<long>(count);
  }
  std::sort(change.copies.begin(), change.copies.end());
  return change;
}

std::array<double, change_quantiles.size()> scale_depths(RecordDays& days, const ClimateChange& climate) {
  std::array<double, change_quantiles.size()> factors{};
  for (std::size_t i = 0; i < factors.size(); ++i) factors[i] = climate.factor_at(change_quantiles[i]);
  if (!climate.scales_depths()) return factors;
  const std::vector<std::int64_t> pool = wet_depths(days);
  const auto factor_of = [&](std::int64_t h) {  // the mid-rank quantile of h in the pool
    const auto [low, high] = std::equal_range(pool.begin(), pool.end(), h);
    const double below = static_cast<double>(low - pool.begin()), equal = static_cast<double>(high - low);
    return climate.factor_at((below + equal / 2) / static_cast<double>(pool.size()));
  };
  for (std::size_t d = 0; d < days.size(); ++d) {
    if (days.kinds[d] != DayKind::wet) continue;
    double* depth = days.depths.data() + intervals_per_day * d;
    for (int j = 0; j < intervals_per_day; ++j)
      if (const std::int64_t h = hundredths(depth[j]); h > 0)
        depth[j] = static_cast<double>(scaled(h, factor_of(h))) / 100;
  }
  return factors;
}

void turn_days(RecordDays& days, const WetDayChange& change) {
  for (std::size_t d = 0; d < days.size(); ++d)
    if (days.kinds[d] == DayKind::wet && change.kinds[d] == DayKind::dry)
      std::fill_n(days.depths.begin() + static_cast<long>(intervals_per_day * d), intervals_per_day, 0.0);
  for (const auto& [made, copied] : change.copies)
    std::copy_n(days.day_depths(copied), intervals_per_day,
                days.depths.begin() + static_cast<long>(intervals_per_day * made));
  days.kinds = change.kinds;
}

namespace {

void measure_wet(const RecordDays& days, long& wet, std::int64_t& total, std::int64_t& largest) {
  wet = days.count(DayKind::wet);
  total = largest = 0;
  for (std::size_t d = 0; d < days.size(); ++d) {
    if (days.kinds[d] != DayKind::wet) continue;
    for (int j = 0; j < intervals_per_day; ++j) {
      const std::int64_t h = hundredths(days.day_depths(d)[j]);
      total += h;
      largest = std::max(largest, h);
    }
  }
}

}  // namespace

ChangeResult change_days(RecordDays& days, const ClimateChange& climate, const std::string& source,
                         const WetDayChange* turned) {
  ChangeResult result;
  result.complete_days = days.count(DayKind::wet) + days.count(DayKind::dry);
  measure_wet(days, result.wet_before, result.wet_total_before, result.largest_before);
  result.factors = scale_depths(days, climate);
  const WetDayChange change =
      turned ? *turned : wet_day_change(days.kinds, days.first_day, climate.wet_days_percent, source);
  turn_days(days, change);
  result.removed = change.removed;
  result.added = change.added;
  measure_wet(days, result.wet_after, result.wet_total_after, result.largest_after);
  return result;
}

std::string change_result_text(const ChangeResult& r) {
  std::string text;
  for (std::size_t i = 0; i < change_quantiles.size(); ++i)
    text += fmt::format("{}p{:g} x{:.3f}", i ? ", " : "", change_quantiles[i] * 100, r.factors[i]);
  const auto share = [&](long wet) { return r.complete_days ? 100.0 * static_cast<double>(wet) / r.complete_days : 0; };
  const std::string turned = r.removed ? fmt::format(", {} made dry", r.removed)
                             : r.added ? fmt::format(", {} made wet", r.added)
                                       : std::string();
  text += fmt::format("; wet days {} -> {} of {} complete days ({:.2f}% -> {:.2f}%{})", r.wet_before, r.wet_after,
                      r.complete_days, share(r.wet_before), share(r.wet_after), turned);
  text += fmt::format("; wet-day depth {:.2f} -> {:.2f} mm; largest 15-minute depth {:.2f} -> {:.2f} mm",
                      r.wet_total_before / 100.0, r.wet_total_after / 100.0, r.largest_before / 100.0,
                      r.largest_after / 100.0);
  return text;
}

}  // namespace raingen::stations
