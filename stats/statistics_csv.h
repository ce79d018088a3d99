// statistics.csv: header "series,aggregation_minutes,statistic,value", one row per number, in the
// order of the series given, then of the levels, then of the table. A value is the shortest
// decimal text that reads back as the same double (so at least as exact as 9 significant
// digits), in the C locale; a statistic without a value has an empty field.
#pragma once

#include <string>
#include <vector>

#include "stats/series_statistics.h"

namespace raingen::stats {

std::string statistics_csv(const std::vector<const SeriesStatistics*>& series);

}  // namespace raingen::stats
