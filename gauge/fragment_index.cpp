#include "gauge/fragment_index.h"

#include <date/date.h>

#include "calendar/interval.h"
#include "gauge/decimal_depth.h"

namespace raingen::gauge {

namespace {

// The sum of the n intervals from first in 0.01 mm; -1 when one is missing or beyond the series.
std::int64_t step_total(const CalendarSeries& series, std::int64_t first, std::int64_t n) {
  if (first < 0 || first + n > static_cast<std::int64_t>(series.size())) return -1;
  std::int64_t sum = 0;
  for (std::int64_t j = first; j < first + n; ++j) {
    const auto h = hundredths_of(series.depth(static_cast<std::size_t>(j)));
    if (!h) return -1;
    sum += *h;
  }
  return sum;
}

}  // namespace

StepState state_of(const CalendarSeries& series, std::int64_t first, std::int64_t n) {
  const std::int64_t total = step_total(series, first, n);
  return total < 0 ? StepState::unknown : total > 0 ? StepState::wet : StepState::dry;
}

int leap_day_of_year(calendar::Day day) {
  static constexpr int month_start[] = {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335};
  const date::year_month_day ymd{day};
  return month_start[static_cast<unsigned>(ymd.month()) - 1] + static_cast<int>(static_cast<unsigned>(ymd.day())) - 1;
}

int days_apart(int a, int b) {
  const int d = a > b ? a - b : b - a;
  return d > 183 ? 366 - d : d;
}

FragmentIndex::FragmentIndex(const std::vector<FragmentGauge>& gauges, calendar::Minutes step, int phase_minutes) {
  const std::int64_t n = step.count() / calendar::minutes_per_interval;
  for (std::size_t g = 0; g < gauges.size(); ++g) {
    const CalendarSeries& series = gauges[g].series;
    const std::int64_t start = calendar::minute_number(series.start());
    // The first interval that begins a step: its start minus the phase a whole number of steps.
    const std::int64_t lead = phase_minutes - start;
    std::int64_t first =
        (lead - calendar::floor_div(lead, step.count()) * step.count()) / calendar::minutes_per_interval;
    for (; first + n <= static_cast<std::int64_t>(series.size()); first += n) {
      const std::int64_t total = step_total(series, first, n);
      if (total <= 0) continue;
      const calendar::TimePoint middle = series.interval_start(static_cast<std::size_t>(first)) + step / 2;
      Candidate c{.id = all_.size(),
                  .gauge = g,
                  .first = static_cast<std::size_t>(first),
                  .total = total,
                  .day_of_year = leap_day_of_year(calendar::day_of(middle)),
                  .before = state_of(series, first - n, n),
                  .after = state_of(series, first + n, n)};
      filed_[group(c.before, c.after)][static_cast<std::size_t>(c.day_of_year)].push_back(all_.size());
      all_.push_back(c);
    }
  }
}

void FragmentIndex::within(int day_of_year, int window, StepState before, StepState after,
                           std::vector<Candidate>& found) const {
  found.clear();
  const int first = window >= 183 ? 0 : day_of_year - window;
  const int last = window >= 183 ? 365 : day_of_year + window;
  for (int b = 0; b < 3; ++b)
    for (int a = 0; a < 3; ++a) {
      if (before != StepState::unknown && b != static_cast<int>(before)) continue;
      if (after != StepState::unknown && a != static_cast<int>(after)) continue;
      const auto& days = filed_[static_cast<std::size_t>(b * 3 + a)];
      for (int d = first; d <= last; ++d)
        for (std::size_t k : days[static_cast<std::size_t>((d + 366) % 366)]) found.push_back(all_[k]);
    }
}

}  // namespace raingen::gauge
