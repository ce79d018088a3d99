// The curves of the report's charts in the long form of statistics.csv: one row per point of each
// series' line (series, statistic, x, value), with the realizations' 5-95% band as lower and upper
// on the lines drawn in the band's colour (the generated series, and the realizations' median
// where a chart draws one), at the x values the band has.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "report/page_names.h"
#include "report/report_content.h"
#include "stats/statistics_csv.h"

namespace raingen::report {

// The rows of a chart's labelled lines, each called `statistic`; a point without a value (NaN)
// gives no row.
std::vector<stats::CsvRow> chart_rows(const Chart& chart, const std::string& statistic);

// The curves the page draws (spells, events, hours, intensities, daily depths, monthly figures and
// the months behind them), each with its statistic's name, in the order of the page.
std::vector<std::pair<std::string, Chart>> curve_charts(const ReportContent& content);

// Every row of curve_charts, and how many months stand behind each series' monthly values
// (months_counted, x the month 1-12).
std::vector<stats::CsvRow> curve_csv_rows(const ReportContent& content);

}  // namespace raingen::report
