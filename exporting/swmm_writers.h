// The site series in the two files through which SWMM's rain gages read rainfall. Both list wet
// intervals only (SWMM takes an interval that is not listed as dry), each stamped at the start of
// its 15 minutes with its depth (a VOLUME gage with a 0:15 interval):
// - the time-series file: ";" comment lines saying what it is, then "MM/DD/YYYY HH:MM VALUE";
// - the user-prepared rain file: "STATION YYYY MM DD HH MM VALUE".
#pragma once

#include "common/output_file.h"
#include "exporting/export_settings.h"
#include "results/results_table.h"

namespace raingen::exporting {

// Each reads the rest of the table and writes the file to out (not committed).
void write_swmm_timeseries(results::ResultsTable& table, const ExportSettings& settings, common::OutputFile& out);
void write_swmm_rain(results::ResultsTable& table, const ExportSettings& settings, common::OutputFile& out);

}  // namespace raingen::exporting
