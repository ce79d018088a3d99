// The realizations' 5-95% band behind the charts of distributions: of any value each realization
// gives at a point (realizations_band), and of the share of dry or wet spells at least k days long
// (each realization's share at k, for k up to the longest spell that at least half reach).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "report/page_names.h"
#include "report/ensemble_statistics.h"

namespace raingen::report {

// The p-quantile over the realizations of a value each may give (none, or NaN: none); none when
// fewer than half the realizations give one.
std::optional<double> realizations_quantile(
    const EnsembleStatistics& ensemble, double p,
    const std::function<std::optional<double>(const stats::SeriesStatistics&)>& value);

// The 5-95% band over the realizations of the value each gives at x[i] (NaN: none); no band (NaN)
// at an x where fewer than half the realizations give one.
Band realizations_band(const EnsembleStatistics& ensemble, const std::vector<double>& x,
                       const std::function<double(const stats::SeriesStatistics&, std::size_t)>& value);

void add_spell_band(Chart& chart, const EnsembleStatistics& ensemble, bool dry);

// The band of the share of days at least as wet as each of stats::daily_depth_marks.
void add_daily_band(Chart& chart, const EnsembleStatistics& ensemble);

// The band of the annual maxima of 1-day (minutes 1440) or 1-hour (60) blocks by rank, at the
// return periods (n + 1) / rank of the n years most realizations have (realizations of another
// count of years give no value).
void add_maxima_band(Chart& chart, const EnsembleStatistics& ensemble, int minutes);

}  // namespace raingen::report
