#include "exporting/export_run.h"

#include <filesystem>

#include "common/output_file.h"
#include "common/tool_error.h"
#include <fmt/format.h>

#include "ensemble_file/ensemble_file.h"
#include "exporting/csv_writer.h"
#include "exporting/ensemble_rows.h"
#include "exporting/network_export.h"
#include "exporting/netcdf_writer.h"
#include "exporting/swmm_gage.h"
#include "exporting/swmm_writers.h"
#include "results/results_series.h"
#include "results/results_table.h"
#include "stations/run_facts.h"

namespace raingen::exporting {

namespace {

constexpr std::size_t longest_station = 64;

bool is_swmm(ExportFormat format) {
  return format == ExportFormat::swmm_timeseries || format == ExportFormat::swmm_rain;
}

void check_request(const ExportRequest& request) {
  if (request.format == ExportFormat::netcdf && request.output.empty())
    throw common::UsageError("netcdf is written to a file: give OUTPUT");
  if (request.format != ExportFormat::netcdf && request.site_at)
    throw common::UsageError("--site-at describes the netcdf file only: the other formats have no place for it");
  if (request.station) {
    if (request.station->empty() || request.station->size() > longest_station)
      throw common::UsageError("--station: a name of 1 to 64 characters");
    if (is_swmm(request.format)) {
      if (const std::string fault = swmm_name_fault(*request.station); !fault.empty())
        throw common::UsageError("--station '" + *request.station + "' " + fault + ", which SWMM cannot read");
    }
  }
  std::error_code ignored;
  const std::string input = request.ensemble ? *request.ensemble : request.input;
  if (!request.output.empty() && std::filesystem::equivalent(input, request.output, ignored))
    throw common::UsageError(request.ensemble ? "OUTPUT is the ensemble file: it would be replaced"
                                              : "OUTPUT is the INPUT file: the table would be replaced");
  if (request.output.empty()) return;
  if (is_swmm(request.format)) {
    if (const std::string fault = swmm_file_name_fault(request.output); !fault.empty())
      throw common::UsageError(request.output,
                               fault + ", which a SWMM gage line cannot name: give the file another name");
  }
  common::check_product_target(request.output);  // a device, a FIFO or a directory is no output
}

// The series' name: --station, else the table's or the file's own (default_name).
std::string station_name(const ExportRequest& request, const std::string& default_name, const std::string& origin) {
  if (request.station) return *request.station;
  if (is_swmm(request.format)) {
    if (const std::string fault = swmm_name_fault(default_name); !fault.empty())
      throw common::ToolError(origin, 0,
                              "the site name '" + default_name + "' " + fault +
                                  ", which SWMM cannot read: name the station with --station");
  }
  return default_name;
}

// The rows in the request's format, in place on return, and for SWMM the gage's lines after them.
void write_export(const ExportRequest& request, results::TableRows& rows, const ExportSettings& settings,
                  std::ostream& gage_lines) {
  if (request.format == ExportFormat::netcdf) {
    common::OutputFile out(request.output);
    write_netcdf(rows, settings, out.hand_to_library(), request.output);
    out.commit();
  } else {
    common::OutputFile out =
        request.output.empty() ? common::OutputFile::standard_output() : common::OutputFile(request.output);
    if (request.format == ExportFormat::csv) write_csv(rows, settings, out);
    if (request.format == ExportFormat::swmm_timeseries) write_swmm_timeseries(rows, settings, out);
    if (request.format == ExportFormat::swmm_rain) write_swmm_rain(rows, settings, out);
    out.commit();
  }
  if (is_swmm(request.format))
    gage_lines << swmm_gage_lines(request.format == ExportFormat::swmm_rain ? SwmmFile::rain : SwmmFile::timeseries,
                                  settings, request.output);
}

// Realization request.realization of the one-site ensemble file request.ensemble: its start, clock,
// position and site name from the file.
void export_realization(const ExportRequest& request, std::ostream& gage_lines) {
  const std::string shown = *request.ensemble;
  const ensemble_file::EnsembleReader reader(shown);
  const ensemble_file::EnsembleLayout& layout = reader.layout();
  const long index =
      ensemble_file::realization_index(shown, layout.first_number(), layout.realizations, request.realization);
  if (!reader.complete(index))
    throw common::ToolError(shown, 0,
                            fmt::format("realization {} (seed {}) failed: the realization has no series to export",
                                        request.realization, reader.seed(index)));
  ExportSettings settings{layout.start, station_name(request, layout.site, shown), request.units,
                          fmt::format("{} realization {}", shown, request.realization)};
  settings.position = request.site_at ? request.site_at : layout.position;
  settings.utc_offset = request.utc_offset ? request.utc_offset : layout.utc_offset;
  settings.history = request.history;
  EnsembleRows rows(reader, index, shown);
  write_export(request, rows, settings, gage_lines);
}

}  // namespace

std::optional<ExportFormat> format_named(std::string_view name) {
  if (name == "csv") return ExportFormat::csv;
  if (name == "swmm-timeseries") return ExportFormat::swmm_timeseries;
  if (name == "swmm-rain") return ExportFormat::swmm_rain;
  if (name == "netcdf") return ExportFormat::netcdf;
  return std::nullopt;
}

void run_export(const ExportRequest& request, std::ostream& gage_lines) {
  if (request.network) return run_network_export(request, gage_lines);
  check_request(request);
  if (request.ensemble) return export_realization(request, gage_lines);
  results::ResultsTable table(request.input);
  ExportSettings settings{request.start, station_name(request, results::default_series_name(table), request.input),
                          request.units, request.input};
  settings.history = request.history;
  // RAINGEN.TXT lies beside INPUT.TXT, in the run directory that holds the table.
  const std::filesystem::path dir = std::filesystem::path(request.input).parent_path();
  const stations::RunFacts facts = stations::read_run_facts(dir.empty() ? "." : dir);
  settings.position = request.site_at ? request.site_at : facts.site ? facts.site->position : std::nullopt;
  settings.utc_offset = request.utc_offset ? request.utc_offset : facts.site ? facts.site->utc_offset : std::nullopt;
  write_export(request, table, settings, gage_lines);
}

}  // namespace raingen::exporting
