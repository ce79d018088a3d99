// What the ensemble's shortfall list ranks, computed once for the page and statistics.csv: the
// block statistics, and the figures beyond them (events, months, seasons, hours of the day,
// 15-minute intensities), the weighted record's value against the realizations' band.
#pragma once

#include <cstddef>
#include <vector>

#include "report/report_content.h"
#include "report/shortfall.h"
#include "stats/statistics_csv.h"

namespace raingen::report {

// The figures beyond the block statistics: the record's value and each complete realization's.
std::vector<NamedFigure> shortfall_figures(const ReportContent& content, const ReportSeries& record);

struct ShortfallList {
  std::vector<Shortfall> list;  // outside the band, most distant first
  std::size_t compared = 0;     // figures with a record value and a band
};

// With an ensemble and a weighted record; empty without either.
ShortfallList ensemble_shortfall_list(const ReportContent& content);

// statistics.csv's rows of what the page's first section shows: each shortfall (series
// "shortfall", the statistic or figure, the record's value, x the distance in band widths (or
// the factor beyond the range of a single run's ratio; empty: beyond any), lower and upper the
// band), and the limits table's figures that no other row holds.
std::vector<stats::CsvRow> shortfall_csv_rows(const ReportContent& content);

}  // namespace raingen::report
