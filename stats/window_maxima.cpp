#include "stats/window_maxima.h"

#include <algorithm>
#include <cmath>

namespace raingen::stats {

namespace {

int year_of(calendar::TimePoint t, calendar::TimePoint start) {
  const int y = static_cast<int>(date::year_month_day{calendar::day_of(t)}.year());
  return t < year_beginning(start, y) ? y - 1 : y;
}

std::size_t intervals_between(calendar::TimePoint from, calendar::TimePoint to) {
  return static_cast<std::size_t>((to - from) / calendar::interval_length);
}

}  // namespace

calendar::TimePoint year_beginning(calendar::TimePoint start, int year) {
  const calendar::Day day = calendar::day_of(start);
  const date::year_month_day date{day};
  // An invalid date converts to the day as far past the month's last as it names.
  return calendar::Day{date::year{year} / date.month() / date.day()} + (start - day);
}

DurationDepths window_maxima(std::span<const double> depths) {
  const std::size_t n = depths.size();
  std::vector<double> prefix(n + 1, 0.0);
  for (std::size_t k = 0; k < n; ++k) prefix[k + 1] = prefix[k] + (std::isnan(depths[k]) ? 0.0 : depths[k]);
  auto window = [&](std::size_t j, std::size_t w) { return prefix[std::min(j + w, n)] - prefix[j]; };
  DurationDepths maxima{};
  for (std::size_t d = 0; d < design_durations.size(); ++d) {
    const std::size_t w = static_cast<std::size_t>(design_durations[d] / calendar::minutes_per_interval);
    std::size_t at = 0;
    if (n > w) {
      // A window of w intervals lies within two consecutive blocks of w, so its sum is at most
      // theirs: the windows beginning in block i are tried only where blocks i and i + 1 together
      // exceed the largest window found, beginning with the largest whole block. Rain comes in
      // a few heavy bursts: most pairs of blocks fall short.
      const std::size_t blocks = (n + w - 1) / w, last_start = n - w;
      double best = -1;
      for (std::size_t i = 0; i * w <= last_start; ++i)
        if (window(i * w, w) > best) {
          best = window(i * w, w);
          at = i * w;
        }
      for (std::size_t i = 0; i < blocks && i * w <= last_start; ++i) {
        const double pair = window(i * w, w) + (i + 1 < blocks ? window((i + 1) * w, w) : 0.0);
        if (!(pair > best)) continue;
        for (std::size_t j = i * w; j < (i + 1) * w && j <= last_start; ++j)
          if (window(j, w) > best) {
            best = window(j, w);
            at = j;
          }
      }
    }
    // The window found, summed again in order: its depth is the plain sum of its intervals.
    double sum = 0;
    for (std::size_t k = at; k < std::min(at + w, n); ++k)
      if (!std::isnan(depths[k])) sum += depths[k];
    maxima[d] = sum;
  }
  return maxima;
}

std::vector<WindowYear> annual_window_maxima(const gauge::CalendarSeries& series, const YearRule& rule) {
  std::vector<WindowYear> years;
  if (series.empty()) return years;
  const int first = year_of(series.start(), rule.start),
            last = year_of(series.end() - calendar::Minutes{1}, rule.start);
  const std::vector<double>& depths = series.depths();
  for (int y = first; y <= last; ++y) {
    WindowYear year;
    year.begins = year_beginning(rule.start, y);
    year.year = static_cast<int>(date::year_month_day{calendar::day_of(year.begins)}.year());
    const calendar::TimePoint ends = year_beginning(rule.start, y + 1);
    const std::size_t from = year.begins <= series.start() ? 0 : intervals_between(series.start(), year.begins);
    const std::size_t to = std::min(series.size(), intervals_between(series.start(), ends));
    const std::span<const double> inside(depths.data() + from, to - from);
    const auto present = std::count_if(inside.begin(), inside.end(), [](double v) { return !std::isnan(v); });
    year.present_share = static_cast<double>(present) / static_cast<double>(intervals_between(year.begins, ends));
    // Compared in whole intervals, so that a rule of 100% is met by a year without a gap.
    year.counted = present > 0 && static_cast<double>(present) * 100.0 >=
                                      rule.complete_percent * static_cast<double>(intervals_between(year.begins, ends));
    if (year.counted) year.maxima = window_maxima(inside);
    years.push_back(year);
  }
  return years;
}

DurationDepths largest_window_depths(const gauge::CalendarSeries& series) { return window_maxima(series.depths()); }

double present_years(const gauge::CalendarSeries& series) {
  const auto present =
      std::count_if(series.depths().begin(), series.depths().end(), [](double v) { return !std::isnan(v); });
  return static_cast<double>(present) / (calendar::intervals_per_day * calendar::days_per_year);
}

}  // namespace raingen::stats
