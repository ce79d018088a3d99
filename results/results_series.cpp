#include "results/results_series.h"

#include "common/program_files.h"

namespace raingen::results {

std::string default_series_name(const ResultsTable& table) {
  return table.site_name().value_or(std::string(common::default_site_name));
}

gauge::CalendarSeries read_results_series(const std::string& path, calendar::TimePoint day_one) {
  ResultsTable table(path);
  gauge::CalendarSeries series(default_series_name(table), day_one, 0);
  TableRow row;
  while (table.next(row)) series.push_back(row.depth());
  return series;
}

}  // namespace raingen::results
