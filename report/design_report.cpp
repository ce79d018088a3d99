#include "report/design_report.h"

#include <algorithm>

#include "report/ensemble_statistics.h"

namespace raingen::report {

namespace {

constexpr std::size_t durations = stats::design_durations.size();

bool is_generated(SeriesRole role) {
  return role == SeriesRole::generated || role == SeriesRole::generated_weighted_site;
}

DesignSeries pooled_series(const EnsembleStatistics& ensemble, const stats::BootstrapSettings& bootstrap) {
  DesignSeries pooled;
  pooled.name = pooled_series_name;
  pooled.role = SeriesRole::generated;
  pooled.pooled = true;
  std::vector<stats::DurationDepths> maxima;
  for (const stats::SeriesStatistics& realization : ensemble.complete) {
    pooled.years_seen += realization.window_years.size();
    for (const stats::DurationDepths& m : stats::counted_maxima(realization.window_years)) maxima.push_back(m);
    ++pooled.realizations;
  }
  for (const stats::DurationDepths& m : maxima)
    for (std::size_t d = 0; d < durations; ++d) pooled.largest[d] = std::max(pooled.largest[d], m[d]);
  pooled.design = stats::design_rainfall(maxima, bootstrap);
  return pooled;
}

}  // namespace

bool DesignReport::at_ceiling(const DesignSeries& s, std::size_t d, double years) {
  return !s.ceilings.empty() && s.ceilings[d].at_ceiling(years);
}

bool DesignReport::beyond_record(double years) const { return reference && stats::beyond_record(years, record_years); }

DesignReport design_report(const std::vector<ReportSeries>& series, const EnsembleStatistics* ensemble,
                           const stats::YearRule& rule, const stats::BootstrapSettings& bootstrap) {
  DesignReport report;
  report.rule = rule;
  for (const ReportSeries& s : series) {
    DesignSeries d;
    d.name = s.statistics->name;
    d.role = s.role;
    d.years = s.statistics->window_years;
    d.years_seen = d.years.size();
    d.largest = stats::largest_window_depths(*s.series);
    d.design = stats::design_rainfall(stats::counted_maxima(d.years), bootstrap);
    if (s.role == SeriesRole::weighted_record && !report.reference && stats::present_years(*s.series) > 0) {
      report.reference = report.series.size();
      report.record_years = stats::present_years(*s.series);
    }
    report.series.push_back(std::move(d));
  }
  if (ensemble && !ensemble->complete.empty()) report.series.push_back(pooled_series(*ensemble, bootstrap));

  for (std::size_t k = 0; k < report.series.size(); ++k) {
    DesignSeries& d = report.series[k];
    if (report.reference && is_generated(d.role))
      for (std::size_t i = 0; i < durations; ++i)
        d.ceilings.push_back(
            stats::ceiling_of(d.design.durations[i].maxima, report.series[*report.reference].largest[i]));
  }
  const bool pooled = ensemble && !ensemble->complete.empty();
  for (std::size_t k = 0; k < report.series.size(); ++k) {
    const DesignSeries& d = report.series[k];
    if (pooled ? d.pooled : d.role == SeriesRole::generated)
      report.designs.insert(report.designs.begin(), k);
    else if (d.role == SeriesRole::generated_weighted_site)
      report.designs.push_back(k);
  }
  return report;
}

namespace {

void add_design_rows(std::vector<stats::CsvRow>& rows, const DesignReport& report, const DesignSeries& s) {
  using stats::CsvRow;
  for (std::size_t i = 0; i < durations; ++i) {
    const stats::DurationDesign& d = s.design.durations[i];
    const int minutes = d.minutes;
    const double hours = minutes / 60.0;
    rows.push_back({s.name, minutes, "annual_maxima_years", static_cast<double>(s.design.years), {}, {}, {}});
    rows.push_back({s.name, minutes, "largest_depth", s.largest[i], {}, {}, {}});
    if (!s.ceilings.empty()) {
      rows.push_back({s.name, minutes, "share_reaching_largest_recorded", s.ceilings[i].share(), {}, {}, {}});
      rows.push_back({s.name, minutes, "share_above_largest_recorded", s.ceilings[i].share_above(), {}, {}, {}});
      rows.push_back({s.name, minutes, "plateau_from_years", s.ceilings[i].plateau_from(), {}, {}, {}});
      rows.push_back({s.name, minutes, "plateau_to_years", s.ceilings[i].plateau_to(), {}, {}, {}});
    }
    for (stats::DesignMethod method : stats::design_methods) {
      const std::string name(stats::method_name(method));
      for (const stats::ReturnLevel& l : d.levels(method))
        rows.push_back({s.name, minutes, "return_level_" + name, l.value, l.years, l.lower, l.upper});
      auto per_hour = [&](const std::optional<double>& v) { return v ? std::optional(*v / hours) : std::nullopt; };
      for (const stats::ReturnLevel& l : d.levels(method))
        rows.push_back({s.name, minutes, "return_intensity_" + name, per_hour(l.value), l.years, per_hour(l.lower),
                        per_hour(l.upper)});
    }
    if (d.gev) {
      rows.push_back({s.name, minutes, "gev_location", d.gev->location, {}, {}, {}});
      rows.push_back({s.name, minutes, "gev_scale", d.gev->scale, {}, {}, {}});
      rows.push_back({s.name, minutes, "gev_shape", d.gev->shape, {}, {}, {}});
    }
  }
  if (report.reference && &s == report.reference_series()) {
    rows.push_back({s.name, {}, "record_years", report.record_years, {}, {}, {}});
    rows.push_back(
        {s.name, {}, "supported_return_period_years", stats::record_length_factor * report.record_years, {}, {}, {}});
  }
}

void add_maxima_rows(std::vector<stats::CsvRow>& rows, const std::string& name,
                     const std::vector<stats::WindowYear>& years) {
  for (const stats::WindowYear& y : years) {
    if (!y.counted) continue;
    for (std::size_t i = 0; i < durations; ++i)
      rows.push_back(
          {name, stats::design_durations[i], "annual_maximum", y.maxima[i], static_cast<double>(y.year), {}, {}});
  }
}

}  // namespace

std::vector<stats::CsvRow> design_csv_rows(const DesignReport& report, const EnsembleStatistics* ensemble) {
  std::vector<stats::CsvRow> rows;
  for (const DesignSeries& s : report.series) {
    if (!s.pooled) add_maxima_rows(rows, s.name, s.years);
    add_design_rows(rows, report, s);
  }
  if (report.curve)
    for (const ReferencePoint& p : report.curve->points)
      rows.push_back({reference_curve_series, p.minutes, "return_level_reference", p.depth, p.years, p.lower, p.upper});
  if (ensemble)
    for (const stats::SeriesStatistics& realization : ensemble->complete)
      add_maxima_rows(rows, realization.name, realization.window_years);
  return rows;
}

}  // namespace raingen::report
