// The design rainfall of a report: for every series its annual maxima by sliding window and their
// return levels, the realizations' years pooled into one more, and the limits those levels are
// read against (the weighted record's largest depths and its length). Computed once; the page's
// section and statistics.csv's rows both read it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/reference_curve.h"
#include "report/report_content.h"
#include "stats/design_limits.h"
#include "stats/design_rainfall.h"
#include "stats/statistics_csv.h"

namespace raingen::report {
struct EnsembleStatistics;

inline constexpr const char* pooled_series_name = "ensemble";
inline constexpr const char* reference_curve_series = "reference-ddf";  // statistics.csv's series of the curve

struct DesignSeries {
  std::string name;                      // the series' name, or "ensemble" for the realizations' years pooled
  SeriesRole role = SeriesRole::record;  // the pooled realizations take generated's
  bool pooled = false;
  std::size_t realizations = 0;          // pooled: how many gave years
  std::size_t years_seen = 0;            // years touched, counted or not
  std::vector<stats::WindowYear> years;  // not pooled: each year touched, in order
  stats::DurationDepths largest{};       // the largest window of each duration in the series
  stats::DesignRainfall design;
  std::vector<stats::Ceiling> ceilings;  // one per duration when there is a reference record
};

struct DesignReport {
  stats::YearRule rule;
  std::vector<DesignSeries> series;      // the report's series in order, then the pooled ensemble
  std::optional<std::size_t> reference;  // the weighted record, when there is one with data
  double record_years = 0;               // the reference's present intervals, in years
  std::vector<std::size_t> designs;      // whose tables the page leads with: the pooled ensemble
                                         // (else generated), then the compared run's
  std::optional<ReferenceCurve> curve;   // --reference-ddf: the levels are set against it

  const DesignSeries* reference_series() const { return reference ? &series[*reference] : nullptr; }
  // Whether a level is no design value: at the ceiling (a return period on the plateau) at
  // duration index d of a generated series, or beyond twice the record's years.
  static bool at_ceiling(const DesignSeries& s, std::size_t d, double years);
  bool beyond_record(double years) const;
};

DesignReport design_report(const std::vector<ReportSeries>& series, const EnsembleStatistics* ensemble,
                           const stats::YearRule& rule, const stats::BootstrapSettings& bootstrap = {});

// statistics.csv's rows of the design rainfall; realizations' annual maxima under realization:k.
std::vector<stats::CsvRow> design_csv_rows(const DesignReport& report, const EnsembleStatistics* ensemble);

}  // namespace raingen::report
