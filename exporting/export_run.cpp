#include "exporting/export_run.h"

#include <filesystem>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "exporting/csv_writer.h"
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

bool is_swmm(ExportFormat format) { return format == ExportFormat::swmm_timeseries || format == ExportFormat::swmm_rain; }

void check_request(const ExportRequest& request) {
  if (request.format == ExportFormat::netcdf && request.output.empty())
    throw common::UsageError("netcdf is written to a file: give OUTPUT");
  if (request.format != ExportFormat::netcdf && (request.site_at || request.utc_offset))
    throw common::UsageError(std::string(request.site_at ? "--site-at" : "--utc-offset") +
                             " describes the netcdf file only: the other formats have no place for it");
  if (request.station) {
    if (request.station->empty() || request.station->size() > longest_station)
      throw common::UsageError("--station: a name of 1 to 64 characters");
    if (is_swmm(request.format)) {
      if (const std::string fault = swmm_name_fault(*request.station); !fault.empty())
        throw common::UsageError("--station '" + *request.station + "' " + fault + ", which SWMM cannot read");
    }
  }
  std::error_code ignored;
  if (!request.output.empty() && std::filesystem::equivalent(request.input, request.output, ignored))
    throw common::UsageError("OUTPUT is the INPUT file: the table would be replaced");
  if (request.output.empty()) return;
  if (is_swmm(request.format)) {
    if (const std::string fault = swmm_file_name_fault(request.output); !fault.empty())
      throw common::UsageError(request.output, fault + ", which a SWMM gage line cannot name: give the file another name");
  }
  common::check_output_target(request.output);  // a device, a FIFO or a directory is no output
}

std::string station_name(const ExportRequest& request, const results::ResultsTable& table) {
  if (request.station) return *request.station;
  std::string name = results::default_series_name(table);
  if (is_swmm(request.format)) {
    if (const std::string fault = swmm_name_fault(name); !fault.empty())
      throw common::ToolError(request.input, 0, "the site name '" + name + "' " + fault +
                                                   ", which SWMM cannot read: name the station with --station");
  }
  return name;
}

void write_text(const ExportRequest& request, results::ResultsTable& table, const ExportSettings& settings) {
  common::OutputFile out =
      request.output.empty() ? common::OutputFile::standard_output() : common::OutputFile(request.output);
  switch (request.format) {
    case ExportFormat::csv: write_csv(table, settings, out); break;
    case ExportFormat::swmm_timeseries: write_swmm_timeseries(table, settings, out); break;
    case ExportFormat::swmm_rain: write_swmm_rain(table, settings, out); break;
    case ExportFormat::netcdf: break;
  }
  out.commit();
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
  results::ResultsTable table(request.input);
  ExportSettings settings{request.start, station_name(request, table), request.units, request.input};
  settings.history = request.history;
  if (request.format == ExportFormat::netcdf) {
    // RAINGEN.TXT lies beside INPUT.TXT, in the run directory that holds the table.
    const std::filesystem::path dir = std::filesystem::path(request.input).parent_path();
    const stations::RunFacts facts = stations::read_run_facts(dir.empty() ? "." : dir);
    settings.position = request.site_at ? request.site_at : facts.site ? facts.site->position : std::nullopt;
    settings.utc_offset = request.utc_offset ? request.utc_offset : facts.site ? facts.site->utc_offset : std::nullopt;
  }
  if (request.format == ExportFormat::netcdf) {
    common::OutputFile out(request.output);
    write_netcdf(table, settings, out.hand_to_library(), request.output);
    out.commit();
  } else {
    write_text(request, table, settings);
  }
  if (is_swmm(request.format))
    gage_lines << swmm_gage_lines(request.format == ExportFormat::swmm_rain ? SwmmFile::rain : SwmmFile::timeseries,
                                  settings, request.output);
}

}  // namespace raingen::exporting
