// The site series in the two files through which SWMM's rain gages read rainfall. Both list wet
// intervals only (SWMM takes an interval that is not listed as dry), each stamped at the start of
// its 15 minutes with its depth (a VOLUME gage with a 0:15 interval):
// - the time-series file: ";" comment lines saying what it is, then "MM/DD/YYYY HH:MM VALUE";
// - the user-prepared rain file: "STATION YYYY MM DD HH MM VALUE".
// When the clock's offset from UTC is stated, a ";" comment line names it (SWMM takes the times
// as they are, on the model's clock; the rain file's first lines may be such a header).
#pragma once

#include <string>

#include "common/output_file.h"
#include "exporting/export_settings.h"
#include "results/table_rows.h"

namespace raingen::exporting {

// Each reads the rest of the table and writes the file to out (not committed).
void write_swmm_timeseries(results::TableRows& table, const ExportSettings& settings, common::OutputFile& out);
void write_swmm_rain(results::TableRows& table, const ExportSettings& settings, common::OutputFile& out);

// ";Times on the clock UTC-05:00 ...", with its line end.
std::string swmm_clock_line(const calendar::UtcOffset& clock);

}  // namespace raingen::exporting
