// One export, from the command line's choices to the file in place: the table is opened (and its
// heading checked) before anything is created, rows stream from the table into the writer of the
// format, and the output is renamed into place only when the whole table has been read and
// written. Nothing of a failed export is left behind.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "calendar/interval.h"
#include "exporting/export_settings.h"
#include "stations/station_places.h"

namespace raingen::exporting {

enum class ExportFormat { csv, swmm_timeseries, swmm_rain, netcdf };
inline constexpr const char* format_list = "csv, swmm-timeseries, swmm-rain or netcdf";
std::optional<ExportFormat> format_named(std::string_view name);

struct ExportRequest {
  ExportFormat format = ExportFormat::csv;
  std::string input;                    // empty with network
  std::optional<std::string> network;   // a network directory: every site's table (network_export.h)
  std::optional<std::string> ensemble;  // an ensemble file (of the network, with network), read in place of tables
  long realization = 0;                 // with ensemble: the realization exported, from 1
  std::string output;                   // empty: standard output (not for netcdf)
  calendar::TimePoint start;            // when day 1 begins
  std::optional<std::string> station;   // none: the results file's site name, else SITE
  DepthUnits units = DepthUnits::mm;
  // The site's position (--site-at, for netcdf) and the clock's offset from UTC (--utc-offset),
  // each by default the ensemble file's or the run directory's (RAINGEN.TXT beside INPUT, when it
  // states them); the history entry of this command.
  std::optional<stations::Coordinates> site_at;
  std::optional<calendar::UtcOffset> utc_offset;
  std::string history;
};

// Throws UsageError for a request that cannot be carried out as given, ToolError for a table
// or a file at fault. For the SWMM formats, the rain gage lines go to gage_lines once the file
// is in place.
void run_export(const ExportRequest& request, std::ostream& gage_lines);

}  // namespace raingen::exporting
