// raingen-export: the program's results table (SOURCE.OUT or a results file), or the tables of
// every site of a network directory, in the formats that models and analysts read, with calendar
// dates.
#include <CLI/CLI.hpp>
#include <malloc.h>

#include <iostream>
#include <string>
#include <utility>

#include "calendar/start_option.h"
#include "calendar/utc_offset.h"
#include "common/command_line.h"
#include "common/tool_error.h"
#include "exporting/export_run.h"
#include "netcdf/history.h"
#include "netcdf/netcdf_file.h"
#include "results/kept_table.h"
#include "stations/station_places.h"

namespace {

using namespace raingen;

constexpr const char* rules = R"(Rules:
  The table's row t is the interval (t - 15 min, t] after day 1 begins (--start). The csv file
  gives each interval's start and end (YYYY-MM-DD HH:MM) and its depth, dry intervals included;
  both SWMM files list the wet intervals only, each stamped at the start of its 15 minutes; the
  netCDF file stamps each interval at its middle (time, minutes since the start: 7.5, 22.5, ...)
  and gives both ends in time_bnds, so that daily and hourly sums by date (CDO daysum, xarray
  resample) put every interval in its own day. Depths are per 15-minute interval with the
  table's three decimals; --units only labels them, nothing is converted.
  The netCDF file carries the site's position (scalar lat and lon) from --site-at, else from
  RAINGEN.TXT beside INPUT when it holds one; only then does it say featureType "timeSeries"
  (CF requires a time series' position), and without one it claims no feature type.
  The clock (--utc-offset, else RAINGEN.TXT's or the ensemble file's), when it is stated: the
  netCDF times are in UTC ("minutes since 2001-01-01 05:00:00" for day 1 beginning at midnight
  on UTC-05:00) and time:raingen_utc_offset names the series' clock, so that CDO, ncdump -t,
  xarray and R show the same instants; the csv times end in the offset ("2001-01-01
  00:15-05:00", which pandas reads as the instant); the SWMM files say it in a ';' line (SWMM
  takes the times as they are). Without it no file states a zone.
  Formats:
    csv              start,end,rainfall_mm
    swmm-timeseries  SWMM time-series file: MM/DD/YYYY HH:MM VALUE
    swmm-rain        SWMM user-prepared rain file: STATION YYYY MM DD HH MM VALUE
    netcdf           CF-1.8 netCDF-4 file (OUTPUT required)
  For the SWMM formats the lines of a rain gage that reads the file are shown on standard error.
  A network (--network DIR, a directory that raingen-prepare --network made, the program run in
  every site's folder): every site's table, the one its folder's INPUT.TXT names, goes into one
  file, sites in NETWORK.TXT's order. csv gives site,start,end,rainfall_mm for every interval of
  every site; swmm-rain gives one rain file with a station a site (the station = the site's name).
  On standard error then come the lines to paste into the model: [RAINGAGES] with one gage a site
  (named as the site), and where NETWORK.TXT's sites are the subcatchments of a SWMM input file,
  that file's [SUBCATCHMENTS] section with each subcatchment's rain gage set to its own site's (the
  rest of each line kept): it replaces the model's section. The sites of one network run the same
  days: a site without its table, a table cut short or tables of different lengths end the export.
  From a network ensemble file (--ensemble FILE.nc --realization K with --network DIR, the file
  raingen-ensemble --network made of DIR): realization K of every site instead of the folders'
  tables, written as above and byte for byte what the tables of plain runs with that
  realization's seed (the file's seed variable) would give. The file states when day 1 begins
  (no --start). Its sites are matched to NETWORK.TXT's by name (the file's order aside); a file
  of other sites, a realization the file does not hold, or a realization whose run failed at any
  site (named with the seed) ends the export, status 1. One site's series is read at a time.
  From a one-site ensemble file (--ensemble FILE.nc --realization K, raingen-ensemble's, a part
  or a merge too): realization K in any format, byte for byte the export of the table of the
  plain run with its seed with the file's start, its clock, position and site name (the series'
  name unless --station). The file states when day 1 begins (no --start). This is the way to
  export a long or seasonal series (raingen-ensemble -n 1 --days N). A table kept by
  raingen-ensemble --keep (SOURCE_0001.OUT ...) does not hold the ensemble's --start: it is
  exported only with --start given. A network file without --network, a one-site file with it,
  a realization the file does not hold or whose run failed: status 1, nothing written.
  OUTPUT '-' is standard output, as when it is left out (not for netcdf: status 2).
  A table row that does not parse (asterisks included), times that do not step by 15 minutes
  from 15, a table cut part way through a day or a results file without its heading end the
  export with FILE:LINE and status 1; OUTPUT is then left as it was.
Exit status: 0 done, 1 failure, 2 usage error.)";

// What the command line gives, before it is checked.
struct ExportLine {
  exporting::ExportRequest request;
  std::string format_name, start_text = calendar::default_start_text, units_name = "mm";
  std::string station, site_at, utc_offset, network, ensemble;
  long realization = 0;
  CLI::Option *station_option = nullptr, *site_option = nullptr, *offset_option = nullptr, *network_option = nullptr,
              *ensemble_option = nullptr, *realization_option = nullptr, *start_option = nullptr;
};

void add_options(CLI::App& app, ExportLine& line) {
  app.add_option("--format", line.format_name, "csv, swmm-timeseries, swmm-rain or netcdf")->required();
  line.start_option = app.add_option("--start", line.start_text, calendar::start_option_help);
  line.station_option =
      app.add_option("--station", line.station, "the series' name (default: the results file's site name, else SITE)");
  app.add_option("--units", line.units_name, "mm or in: the label of the depths (default mm)");
  line.site_option = app.add_option("--site-at", line.site_at,
                                    "LAT,LON: the site's position in degrees, for netcdf (default: RAINGEN.TXT's)");
  line.offset_option =
      app.add_option("--utc-offset", line.utc_offset,
                     "+HH:MM or -HH:MM: the series' clock (default: RAINGEN.TXT's, or the ensemble file's)");
  line.network_option =
      app.add_option("--network", line.network,
                     "a network directory: every site's table in one file (csv or swmm-rain; no INPUT)")
          ->type_name("DIR");
  line.ensemble_option = app.add_option("--ensemble", line.ensemble,
                                        "an ensemble file, read in place of a table (with --network, the network's, in "
                                        "place of its folders' tables)")
                             ->type_name("FILE.nc");
  line.realization_option =
      app.add_option("--realization", line.realization, "with --ensemble: the realization to export, from 1")
          ->type_name("K");
  app.add_option("INPUT", line.request.input, "SOURCE.OUT or a results file (with --network or --ensemble: OUTPUT)");
  app.add_option("OUTPUT", line.request.output,
                 "the file to write (default or -: standard output; netcdf needs a file)");
}

// Where the series comes from (a table, the network's folders or an ensemble file) and where it goes.
void set_source_and_target(ExportLine& line) {
  exporting::ExportRequest& request = line.request;
  const bool from_file = line.ensemble_option->count() > 0;
  if (from_file != (line.realization_option->count() > 0))
    throw common::UsageError(from_file ? "--ensemble FILE.nc needs --realization K: the realization to export"
                                       : "--realization K is a realization of --ensemble FILE.nc: give the file");
  if (*line.network_option || from_file) {
    // The one file name given is OUTPUT: the series come from the network's folders or the file.
    if (!request.output.empty())
      throw common::UsageError(from_file ? "--ensemble reads the series from FILE.nc: give OUTPUT alone"
                                         : "--network reads every site's table from DIR: give OUTPUT alone");
    request.output = std::exchange(request.input, std::string());
  } else if (request.input.empty()) {
    throw common::UsageError("INPUT is required (or --ensemble FILE.nc --realization K, or --network DIR)");
  }
  if (*line.network_option) request.network = line.network;
  if (from_file) {
    if (line.start_option->count() > 0) throw common::UsageError("--start: the ensemble file states when day 1 begins");
    if (line.realization < 1)
      throw common::UsageError("--realization " + std::to_string(line.realization) + ": from 1");
    request.ensemble = line.ensemble;
    request.realization = line.realization;
  } else {
    results::check_kept_table_start(
        request.input, line.start_option->count() > 0,
        "export the realization from the ensemble file (--ensemble FILE.nc --realization K)");
  }
  // "-" is standard output, as it is standard input elsewhere; a netCDF file needs a name.
  if (request.output == "-") {
    if (line.format_name == "netcdf")
      throw common::UsageError(
          "netcdf cannot go to standard output ('-'): the library writes a file; give OUTPUT a name");
    request.output.clear();
  }
}

int export_main(int argc, char** argv) {
  CLI::App app(
      "Writes the program's site series (SOURCE.OUT or a results file), or every site's of a network "
      "directory, as csv, SWMM or netCDF files.",
      "raingen-export");
  ExportLine line;
  add_options(app, line);
  common::add_version_flag(app);
  app.footer(std::string(rules) + "\n" + common::files_help);
  if (const auto done = common::parse_command_line(app, argc, argv)) return *done;

  set_source_and_target(line);
  exporting::ExportRequest& request = line.request;
  const auto format = exporting::format_named(line.format_name);
  if (!format) throw common::UsageError("unknown format '" + line.format_name + "': " + exporting::format_list);
  request.format = *format;
  if (line.units_name != "mm" && line.units_name != "in")
    throw common::UsageError("--units '" + line.units_name + "': mm or in");
  request.units = line.units_name == "mm" ? exporting::DepthUnits::mm : exporting::DepthUnits::in;
  request.start = calendar::parse_start(line.start_text);
  if (*line.station_option) request.station = line.station;
  if (*line.site_option) request.site_at = stations::parse_coordinates(line.site_at, "--site-at");
  if (*line.offset_option) request.utc_offset = calendar::UtcOffset::given(line.utc_offset, "--utc-offset");
  request.history = netcdf::history_entry(std::span<char* const>(argv, static_cast<std::size_t>(argc)));
  exporting::run_export(request, std::cerr);
  return common::exit_success;
}

}  // namespace

int main(int argc, char** argv) {
  // The netCDF library allocates and frees its chunk and compression buffers for every chunk; with
  // the C library's default threshold each free hands the memory back to the system, which took
  // more than half the time of a whole export. The memory is kept for reuse instead.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  return raingen::netcdf::exit_status_after_files(
      raingen::common::run_tool("raingen-export", [&] { return export_main(argc, argv); }));
}
