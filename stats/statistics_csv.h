// statistics.csv: header "series,aggregation_minutes,statistic,value,x,lower,upper", one row per
// number. First the statistics of each series at each level, in the order of the series given,
// then of the levels, then of the table (x, lower and upper empty); then the rows given beside
// them in long form: a curve's or a table's value at x, with its interval where it has one
// (the return level at x = T years, with lower and upper). The first four columns keep their
// meaning for every row, so a reader of the four-column file reads the first rows the same. A
// value is the shortest decimal text that reads back as the same double (so at least as exact as
// 9 significant digits), in the C locale; a field without a value is empty.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "stats/series_statistics.h"

namespace raingen::stats {

struct CsvRow {
  std::string series;
  std::optional<int> minutes;  // aggregation_minutes: a level or a duration; empty where none applies
  std::string statistic;
  std::optional<double> value, x, lower, upper;
};

std::string statistics_csv(const std::vector<const SeriesStatistics*>& series, const std::vector<CsvRow>& more = {});

// The file's first line and one row's line, for a writer that streams rows too many to hold.
inline constexpr const char* statistics_csv_header = "series,aggregation_minutes,statistic,value,x,lower,upper\n";
std::string csv_row_text(const CsvRow& row);

}  // namespace raingen::stats
