// What the page shows of an ensemble: the realizations' 5-95% and 25-75% bands in each chart of a
// statistic against aggregation level, and a table of where the weighted record falls among them.
#pragma once

#include "report/page_names.h"
#include "report/ensemble_statistics.h"
#include "report/report_content.h"
#include "stats/series_statistics.h"

namespace raingen::report {

// Adds the two bands of the statistic over the levels at which the realizations have values to a
// chart of the series (statistic_chart: one line per series, in order). The generated series'
// line, one realization among them, is drawn thin so that the bands show around it.
void add_ensemble_bands(Chart& chart, stats::Statistic statistic, const EnsembleStatistics& ensemble,
                        const std::vector<ReportSeries>& series);

// The page's section on the ensemble; weighted is the weighted record's statistics (none: the
// table has no reference to place).
void ensemble_section(HtmlPage& page, const EnsembleStatistics& ensemble, const stats::SeriesStatistics* weighted);

}  // namespace raingen::report
