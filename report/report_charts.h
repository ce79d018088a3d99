// The report's charts, each built from the series compared: statistics against aggregation
// level, dry-spell lengths, daily exceedance, annual maxima against return period and the wettest
// days. Records are thin coloured lines, the weighted record a thick
// black one, the generated series a thick red one (a compared site station's an orange one).
#pragma once

#include <optional>
#include <vector>

#include "report/page_names.h"
#include "report/report_content.h"
#include "stats/series_statistics.h"

namespace raingen::report {

// "15 min", "1 h", "6 h", "1 day".
std::string level_label(int minutes);
// A reader's name for a statistic, and its unit ("" for none).
std::string statistic_title(stats::Statistic statistic);
std::string statistic_unit(stats::Statistic statistic);

// The line of series[index] in the page's style (its name, colour, width and dashes), without points.
Line series_line(const std::vector<ReportSeries>& series, std::size_t index);

Chart statistic_chart(stats::Statistic statistic, const std::vector<ReportSeries>& series);
// The share of dry (or wet) spells at least k days long.
// Each statistic of the generated series over the weighted record's, against the level, on a
// linear axis (a ratio of 0.4 looks as far from 1 at every level); none without both series.
std::optional<Chart> ratio_chart(const std::vector<ReportSeries>& series);
Chart spell_chart(const std::vector<ReportSeries>& series, bool dry);
Chart dry_spell_chart(const std::vector<ReportSeries>& series);
Chart exceedance_chart(const std::vector<ReportSeries>& series);
Chart return_period_chart(const std::vector<ReportSeries>& series, int minutes);
// The generated series' wettest day (and the compared one's) beside the wettest day of any
// record, on one depth scale.
std::vector<Chart> wettest_day_charts(const std::vector<ReportSeries>& series);

}  // namespace raingen::report
