#include "network/network_command_line.h"

#include <cmath>

#include <fmt/format.h>

#include "common/numbers.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "network/prepare_network.h"
#include "weighting/presence_option.h"

namespace raingen::network {

namespace {

using common::UsageError;

GaugePlace parse_place(const std::string& text) {
  const std::size_t at = text.find('@'), comma = text.find(',', at == std::string::npos ? 0 : at);
  if (at == std::string::npos || at == 0 || comma == std::string::npos)
    throw UsageError(
        fmt::format("--station '{}': a gauge of a network is placed as ID@A,B (LAT,LON in degrees or X,Y "
                    "in the sites' map unit)",
                    text));
  const std::optional<double> a = common::parse_real(std::string_view(text).substr(at + 1, comma - at - 1));
  const std::optional<double> b = common::parse_real(std::string_view(text).substr(comma + 1));
  if (!a || !b || !std::isfinite(*a) || !std::isfinite(*b))
    throw UsageError(fmt::format("--station '{}': '{}' is not two numbers A,B", text, text.substr(at + 1)));
  return {text.substr(0, at), {*a, *b}};
}

}  // namespace

void run_network_command_line(const stations::PrepareCommandLine& line, std::ostream& out) {
  if (!line.id.empty() || !line.record.empty())
    throw UsageError("--network prepares every site from the --gauge records: no --id or RECORD");
  if (line.given.count("--dir")) throw UsageError("--network DIR is the directory it writes into: no --dir");
  for (const char* option : {"--site", "--site-at", "--weighted-site"})
    if (line.given.count(option))
      throw UsageError(
          fmt::format("--network takes its sites, their names and positions from --sites FILE: no {}", option));
  if (!line.given.count("--sites") || !line.given.count("--days"))
    throw UsageError("--network needs --sites FILE (a CSV name,lat,lon or name,x,y, or a SWMM .inp) and --days N");
  NetworkCommand command;
  command.dir = line.network;
  command.sites_file = line.sites;
  command.gauges = common::parse_gauge_arguments(line.gauges);
  gauge::distribute_reading_options(command.gauges, line.reading);
  for (const std::string& place : line.places) {
    command.places.push_back(parse_place(place));
    for (std::size_t k = 0; k + 1 < command.places.size(); ++k)
      if (command.places[k].id == command.places.back().id)
        throw UsageError(
            fmt::format("--station {} is given twice: a gauge has one position", command.places.back().id));
  }
  command.present = weighting::present_option(line.present);
  std::optional<stations::ClimateChange> change;
  command.prepare = stations::prepare_options_of(line, change);
  command.utc_offset = stations::utc_offset_of(line);
  command.results_name = line.given.count("--results") ? line.results : std::string(common::default_results_name);
  command.day_count = line.days;
  command.seasons = stations::seasons_of(line);
  command.jobs = line.jobs;
  run_network_command(command, out);
}

}  // namespace raingen::network
