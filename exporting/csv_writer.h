// The site series as CSV for analysts' scripts: a header "start,end,rainfall_mm" (or
// "rainfall_in"), then one line per interval, dry ones included: the interval's start and end as
// "2001-01-01 00:15" and its depth with the table's three decimals ("0.069"). The blank (not ISO
// 8601's "T") is what R's as.POSIXct, spreadsheets and pandas all take for a time of day without
// being told a format.
#pragma once

#include "common/output_file.h"
#include "exporting/export_settings.h"
#include "results/table_rows.h"

namespace raingen::exporting {

// Reads the rest of the table and writes the file to out (not committed).
void write_csv(results::TableRows& table, const ExportSettings& settings, common::OutputFile& out);

}  // namespace raingen::exporting
