#include "stations/hold_out.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/coarse_record.h"
#include "gauge/interval_sums.h"
#include "stations/fragment_gauges.h"
#include "stats/correlation.h"
#include "stats/quantile.h"
#include "stats/window_maxima.h"

namespace raingen::stations {

namespace {

// The series with every interval missing where mask is missing (both on one grid from start).
gauge::CalendarSeries masked(const gauge::CalendarSeries& series, const gauge::CalendarSeries& mask) {
  gauge::CalendarSeries out(series.name(), series.start(), series.size());
  const long offset = (series.start() - mask.start()) / calendar::interval_length;
  for (std::size_t k = 0; k < series.size(); ++k) {
    const long at = offset + static_cast<long>(k);
    if (at >= 0 && at < static_cast<long>(mask.size()) && mask.present(static_cast<std::size_t>(at)))
      out.set_depth(k, series.depth(k));
  }
  return out;
}

void wet_figures(const gauge::CalendarSeries& s, FineFigures& f) {
  std::vector<double> wet;
  long present = 0;
  for (std::size_t k = 0; k < s.size(); ++k)
    if (s.present(k)) {
      ++present;
      if (s.depth(k) > 0) wet.push_back(s.depth(k));
    }
  std::sort(wet.begin(), wet.end());
  f.wet_share = present ? static_cast<double>(wet.size()) / static_cast<double>(present) : 0;
  f.p99 = wet.empty() ? 0 : stats::quantile(wet, 0.99);
  f.p999 = wet.empty() ? 0 : stats::quantile(wet, 0.999);
}

// The hours on the clock's hours, wet and whole: the mean share of their largest 15 minutes.
double peak_share(const gauge::CalendarSeries& s) {
  const gauge::CoarseRecord hours = gauge::coarse_of("", s, calendar::Minutes{60});
  const long first = (hours.first_end - calendar::Minutes{60} - s.start()) / calendar::interval_length;
  double sum = 0;
  long wet = 0;
  for (std::size_t h = 0; h < hours.values.size(); ++h) {
    if (!(hours.values[h] > 0)) continue;
    double largest = 0;
    for (std::size_t j = 0; j < 4; ++j)
      largest = std::max(largest, s.depth(static_cast<std::size_t>(first) + 4 * h + j));
    sum += largest / hours.values[h];
    ++wet;
  }
  return wet ? sum / static_cast<double>(wet) : 0;
}

double lag1(const gauge::CalendarSeries& s) {
  std::vector<double> a, b;
  for (std::size_t k = 1; k < s.size(); ++k)
    if (s.present(k - 1) && s.present(k)) {
      a.push_back(s.depth(k - 1));
      b.push_back(s.depth(k));
    }
  const stats::Correlation c = stats::pearson(a, b);
  return c.r.value_or(0);
}

}  // namespace

FineFigures fine_figures(const gauge::CalendarSeries& series, const gauge::CalendarSeries& mask) {
  const gauge::CalendarSeries s = masked(series, mask);
  FineFigures f;
  wet_figures(s, f);
  f.peak_share = peak_share(s);
  f.lag1 = lag1(s);
  for (const stats::WindowYear& year : stats::annual_window_maxima(s, stats::YearRule{}))
    if (year.counted) {
      ++f.years;
      for (std::size_t d = 0; d < 3; ++d) f.annual_max[d] += year.maxima[d];
    }
  for (double& m : f.annual_max) m = f.years ? m / f.years : 0;
  return f;
}

void run_hold_out(const gauge::FragmentSource& source, const std::string& id, int step_minutes, std::ostream& out) {
  const auto held = std::find_if(source.gauges.begin(), source.gauges.end(), [&](const auto& g) { return g.id == id; });
  if (held == source.gauges.end())
    throw common::UsageError(fmt::format("--hold-out {}: no --fragments-from gauge has this ID", id));
  if (source.gauges.size() < 2)
    throw common::UsageError(
        "--hold-out makes a gauge again from the others: give two --fragments-from gauges or more");
  if (step_minutes <= calendar::minutes_per_interval ||
      !gauge::whole_intervals_dividing_a_day(calendar::Minutes{step_minutes}))
    throw common::UsageError(fmt::format(
        "--hold-out-step {}: give a whole number of 15-minute intervals that divides a day (30, 60, ... 1440)",
        step_minutes));
  gauge::FragmentSource others{.gauges = {}, .rules = source.rules};
  for (const gauge::FragmentGauge& g : source.gauges)
    if (g.id != id) others.gauges.push_back(g);
  const gauge::CoarseRecord coarse = gauge::coarse_of(held->path, held->series, calendar::Minutes{step_minutes});
  gauge::FragmentFacts facts;
  const gauge::CalendarSeries made = gauge::make_fine(coarse, others, common::depth_limit_mm, facts);
  const FineFigures truth = fine_figures(held->series, made), again = fine_figures(made, made);
  out << fmt::format("{} held out: summed to {}-minute steps and made 15-minute again from the others' fragments\n", id,
                     step_minutes);
  out << fmt::format("  {}\n", fragment_result_text(facts));
  const auto row = [&](const char* what, double a, double b) {
    out << fmt::format("  {:<38} {:>9.3f} {:>9.3f}  {:>+7.1f}%\n", what, a, b, a != 0 ? 100 * (b / a - 1) : 0.0);
  };
  out << fmt::format("  {:<38} {:>9} {:>9}  {:>8}\n", "figure", "record", "made", "made/rec");
  row("wet share of 15-minute intervals", truth.wet_share, again.wet_share);
  row("p99 of wet 15-minute depths (mm)", truth.p99, again.p99);
  row("p99.9 of wet 15-minute depths (mm)", truth.p999, again.p999);
  row("largest 15 minutes / its wet hour", truth.peak_share, again.peak_share);
  row("mean annual max 15 min (mm)", truth.annual_max[0], again.annual_max[0]);
  row("mean annual max 30 min (mm)", truth.annual_max[1], again.annual_max[1]);
  row("mean annual max 60 min (mm)", truth.annual_max[2], again.annual_max[2]);
  row("lag-1 correlation at 15 minutes", truth.lag1, again.lag1);
  out << fmt::format("  (annual maxima over {} calendar years 80% present; figures on the intervals present in both)\n",
                     truth.years);
}

}  // namespace raingen::stations
