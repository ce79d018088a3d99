// The site series as a CF-1.8 netCDF file (see cf_series.h for its description): every interval,
// the depths as doubles so that each reads back as the table's three decimals.
#pragma once

#include <filesystem>
#include <string>

#include "exporting/export_settings.h"
#include "results/table_rows.h"

namespace raingen::exporting {

// Reads the rest of the table and writes the file at path (complete and closed on return);
// messages name shown_name.
void write_netcdf(results::TableRows& table, const ExportSettings& settings, const std::filesystem::path& path,
                  const std::string& shown_name);

}  // namespace raingen::exporting
