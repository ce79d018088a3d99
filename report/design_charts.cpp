#include "report/design_charts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "report/banded_curves.h"

namespace raingen::report {

namespace {

constexpr std::size_t periods = stats::design_return_periods.size();
constexpr const char* record_color = "#222222";

struct SeriesStyle {
  std::string color;
  bool dashed = false;
};

SeriesStyle style_of(const DesignSeries& s) {
  switch (s.role) {
    case SeriesRole::weighted_record: return {record_color};
    case SeriesRole::generated: return {"#d62728"};
    case SeriesRole::generated_weighted_site: return {"#ff7f0e", true};
    case SeriesRole::record: break;
  }
  return {"#4e79a7"};
}

// The method a series' curves show: the GEV where one is fitted, else the plotting position.
stats::DesignMethod shown_method(const DesignSeries& s) {
  for (const stats::DurationDesign& d : s.design.durations)
    if (!d.gev) return stats::DesignMethod::empirical;
  return stats::DesignMethod::gev;
}

double nan_or(const std::optional<double>& v) { return v ? *v : std::nan(""); }

}  // namespace

std::string return_period_color(std::size_t period_index) {
  static constexpr std::array<const char*, periods> colors{"#f0a202", "#7cb518", "#1b9e77",
                                                           "#2c7fb8", "#6a51a3", "#c51b7d"};
  return colors[period_index % colors.size()];
}

std::string design_series_title(const DesignSeries& s) {
  if (s.pooled) return fmt::format("{} ({} realizations pooled)", s.name, s.realizations);
  return s.name;
}

// The reference curve's points at the design return periods, each a large dot in its period's
// colour drawn under the generated lines: a generated marker inside it meets the reference.
void add_reference_points(Chart& chart, const ReferenceCurve& curve) {
  bool labelled = false;
  for (std::size_t p = 0; p < periods; ++p) {
    BandedCurve points;
    points.label = labelled ? "" : curve.file + " (reference)";
    points.color = return_period_color(p);
    points.joined = false;
    for (const ReferencePoint& point : curve.points)
      if (point.years == stats::design_return_periods[p] && point.minutes >= stats::design_durations.front() &&
          point.minutes <= stats::design_durations.back()) {
        points.x.push_back(point.minutes);
        points.value.push_back(point.depth);
      }
    if (points.x.empty()) continue;
    labelled = true;
    add_banded_curve(chart, points);
    chart.lines.back().marker_radius = 5.5;
  }
}

Chart ddf_chart(const DesignReport& report, const DesignSeries& design) {
  const stats::DesignMethod method = shown_method(design);
  Chart chart;
  chart.title = fmt::format("Depth-duration-frequency: {}, {} ({} years)", design.name,
                            method == stats::DesignMethod::gev ? "GEV" : "Weibull", design.design.years);
  chart.width = 900;
  chart.height = 460;
  chart.x = duration_axis();
  if (report.curve) add_reference_points(chart, *report.curve);
  for (std::size_t p = 0; p < periods; ++p) {
    const double years = stats::design_return_periods[p];
    BandedCurve curve;
    curve.label = fmt::format("{:g} years{}", years, report.beyond_record(years) ? " \u2020" : "");
    curve.color = return_period_color(p);
    curve.dashed = report.beyond_record(years);
    curve.markers = true;
    curve.band_label = p == 0 ? "90% interval" : "";
    for (const stats::DurationDesign& d : design.design.durations) {
      const stats::ReturnLevel& level = d.levels(method)[p];
      curve.x.push_back(d.minutes);
      curve.value.push_back(nan_or(level.value));
      curve.lower.push_back(nan_or(level.lower));
      curve.upper.push_back(nan_or(level.upper));
    }
    add_banded_curve(chart, curve);
  }
  if (const DesignSeries* record = report.reference_series()) {
    for (std::size_t p = 0; p < periods; ++p) {
      BandedCurve points;
      points.label =
          p == 0 ? fmt::format("{}'s own levels ({} years, Weibull)", record->name, record->design.years) : "";
      points.color = return_period_color(p);
      points.joined = false;
      for (const stats::DurationDesign& d : record->design.durations) {
        points.x.push_back(d.minutes);
        points.value.push_back(nan_or(d.empirical[p].value));
      }
      add_banded_curve(chart, points);
    }
    BandedCurve largest;
    largest.label = "largest in " + record->name;
    largest.color = record_color;
    largest.dashed = true;
    largest.markers = true;
    largest.width = 1.4;
    for (std::size_t i = 0; i < stats::design_durations.size(); ++i) {
      largest.x.push_back(stats::design_durations[i]);
      largest.value.push_back(record->largest[i]);
    }
    add_banded_curve(chart, largest);
  }
  double low = std::numeric_limits<double>::infinity(), high = 0;
  for (const Line& line : chart.lines)
    for (const Point& p : line.points)
      if (p.y > 0 && std::isfinite(p.y)) low = std::min(low, p.y), high = std::max(high, p.y);
  for (const Band& band : chart.bands)
    for (double v : band.high)
      if (std::isfinite(v)) high = std::max(high, v);
  chart.y = log_value_axis("depth (mm)", low, high);
  return chart;
}

namespace {

// A generated series' annual maxima at their Weibull plotting positions (up to the axis' last
// return period), and its fitted GEV with the interval around it.
void add_design_curves(Chart& chart, const DesignSeries& s, std::size_t duration_index, double last) {
  const stats::DurationDesign& d = s.design.durations[duration_index];
  const SeriesStyle style = style_of(s);
  const double n = static_cast<double>(d.maxima.size());
  BandedCurve points;
  points.label = fmt::format("{} ({} years, Weibull)", s.name, d.maxima.size());
  points.color = style.color;
  points.width = 1.0;
  for (std::size_t i = 0; i < d.maxima.size(); ++i) {
    const double years = (n + 1) / (n - static_cast<double>(i));  // i-th smallest: 1 / (1 - i / (n + 1))
    if (years <= last) {
      points.x.push_back(years);
      points.value.push_back(d.maxima[i]);
    }
  }
  add_banded_curve(chart, points);
  if (!d.gev) return;
  Band band{"90% interval", style.color, {}, {}, {}, 0.16};
  for (const stats::ReturnLevel& l : d.gev_levels) {
    band.x.push_back(l.years);
    band.low.push_back(nan_or(l.lower));
    band.high.push_back(nan_or(l.upper));
  }
  chart.bands.push_back(std::move(band));
  BandedCurve fitted;
  fitted.label = s.name + ", GEV";
  fitted.color = style.color;
  fitted.dashed = style.dashed;
  fitted.width = 2.2;
  for (double years = 1.05; years <= last * 1.0001; years *= 1.08) {
    fitted.x.push_back(years);
    fitted.value.push_back(stats::gev_return_level(*d.gev, years));
  }
  add_banded_curve(chart, fitted);
}

// The record's annual maxima, unjoined, and its largest depth as a dashed line.
void add_record_curves(Chart& chart, const DesignSeries& record, std::size_t duration_index, double last) {
  const stats::DurationDesign& d = record.design.durations[duration_index];
  const double n = static_cast<double>(d.maxima.size());
  BandedCurve points;
  points.label = fmt::format("{} ({} years)", record.name, d.maxima.size());
  points.color = record_color;
  points.joined = false;
  for (std::size_t i = 0; i < d.maxima.size(); ++i) {
    points.x.push_back((n + 1) / (n - static_cast<double>(i)));
    points.value.push_back(d.maxima[i]);
  }
  add_banded_curve(chart, points);
  // The record's own interval beside the generated one: what its years support (GEV where it has
  // one, else Weibull; none beyond its years).
  Band own{fmt::format("{}'s own 90% interval", record.name), record_color, {}, {}, {}, 0.10};
  for (const stats::ReturnLevel& l : d.gev ? d.gev_levels : d.empirical) {
    own.x.push_back(l.years);
    own.low.push_back(nan_or(l.lower));
    own.high.push_back(nan_or(l.upper));
  }
  if (std::count_if(own.low.begin(), own.low.end(), [](double v) { return !std::isnan(v); }) >= 2)
    chart.bands.push_back(std::move(own));
  BandedCurve largest;
  largest.label = fmt::format("largest in {}: {:.2f} mm", record.name, record.largest[duration_index]);
  largest.color = record_color;
  largest.dashed = true;
  largest.width = 1.2;
  largest.x = {1, last};
  largest.value = {record.largest[duration_index], record.largest[duration_index]};
  add_banded_curve(chart, largest);
}

}  // namespace

Chart return_level_chart(const DesignReport& report, std::size_t duration_index) {
  const int minutes = stats::design_durations[duration_index];
  Chart chart;
  chart.title = fmt::format("{}: annual maxima and return levels", duration_label(minutes));
  chart.width = 440;
  chart.height = 320;
  std::size_t most = 0;
  for (std::size_t k : report.designs) most = std::max(most, report.series[k].design.years);
  chart.x = return_period_axis(std::max(100.0, std::min(1000.0, static_cast<double>(most) + 1)));
  const double last = *chart.x.high;
  chart.y.label = fmt::format("largest {} depth of a year (mm)", duration_label(minutes));
  chart.y.include_zero = true;
  for (std::size_t k : report.designs) add_design_curves(chart, report.series[k], duration_index, last);
  if (const DesignSeries* record = report.reference_series()) add_record_curves(chart, *record, duration_index, last);
  if (report.curve) {
    BandedCurve points;
    points.label = report.curve->file + " (reference)";
    points.color = "#7f7f7f";
    points.joined = false;
    for (const ReferencePoint& p : report.curve->points)
      if (p.minutes == minutes && p.years <= last) {
        points.x.push_back(p.years);
        points.value.push_back(p.depth);
      }
    if (!points.x.empty()) {
      add_banded_curve(chart, points);
      chart.lines.back().marker_radius = 4.5;
    }
  }
  return chart;
}

}  // namespace raingen::report
