// The program's results table as a calendar series, for the tools that compute over the whole
// series (the report, the ensemble). Exporting streams the table instead (results_table.h).
#pragma once

#include <string>

#include "gauge/calendar_series.h"
#include "results/results_table.h"

namespace raingen::results {

// The name a series from this table goes by when the user gives none: the site name of a
// results file, else common::default_site_name.
std::string default_series_name(const ResultsTable& table);

// Reads the whole table at path into a series whose interval k is row k + 1, day 1 beginning at
// day_one (on the 15-minute grid, else std::invalid_argument), named by default_series_name.
// Depths are the table's values (three decimals); no interval is missing. Throws ToolError as
// ResultsTable does.
gauge::CalendarSeries read_results_series(const std::string& path, calendar::TimePoint day_one);

}  // namespace raingen::results
