// The page's section by season: each month's mean total and share of wet days, and for each season
// its mean daily depth, share of wet days, 99th percentiles of wet 15-minute and 1-hour depths and
// largest depths, every series side by side with the ensemble's band, so that what the seasons of
// a run directory gain (or a run without them loses) shows.
#pragma once

#include <vector>

#include "report/page_names.h"
#include "report/ensemble_statistics.h"
#include "report/report_content.h"
#include "stations/seasons.h"
#include "stats/season_figures.h"

namespace raingen::report {

struct SeasonReport {
  stations::Seasons seasons;                   // the seasons of the tables
  bool declared = false;                       // the run directory's RAINGEN.TXT declares them; else quarters
  std::vector<stats::CalendarFigures> series;  // one per series of the page, in order
};

// The seasons of the tables: those declared (raingen-prepare --seasons), else quarters.
stations::Seasons table_seasons(const stations::Seasons& declared);
stats::SeasonGrouping grouping_of(const stations::Seasons& seasons);

// The figures of every series by the run directory's seasons (declared: empty when none).
SeasonReport season_report(const std::vector<ReportSeries>& series, const stations::Seasons& declared,
                           double dry_threshold);

// The charts of each month's mean total and share of wet days, with the realizations' 5-95% band
// when the ensemble holds their figures by month.
std::vector<Chart> month_charts(const SeasonReport& report, const std::vector<ReportSeries>& series,
                                const EnsembleStatistics* ensemble);

// The section; ensemble (none: no bands) must hold the figures of its realizations by the same seasons.
void season_section(HtmlPage& page, const SeasonReport& report, const std::vector<ReportSeries>& series,
                    const EnsembleStatistics* ensemble);

}  // namespace raingen::report
