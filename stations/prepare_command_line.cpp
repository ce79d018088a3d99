#include "stations/prepare_command_line.h"

#include <fmt/format.h>

#include <filesystem>

#include "common/gauge_arguments.h"
#include "common/shared_options.h"
#include "common/tool_error.h"
#include "gauge/reading_command_line.h"
#include "stations/prepare_command.h"
#include "stations/seasons.h"
#include "weighting/presence_option.h"
#include "stations/weighted_site.h"

namespace raingen::stations {

namespace {

using common::UsageError;
namespace fs = std::filesystem;

Settings settings_of(const PrepareCommandLine& line) {
  Settings settings;
  settings.site_name = line.site;
  if (line.given.count("--results")) settings.results_name = line.results;
  settings.day_count = line.days;
  return settings;
}

void run_weighted_site(const PrepareCommandLine& line, std::ostream& out) {
  if (!line.id.empty() || !line.record.empty())
    throw UsageError("--weighted-site prepares the site station from the --gauge records: no --id or RECORD");
  if (!line.given.count("--site") || !line.given.count("--days"))
    throw UsageError("--weighted-site writes INPUT.TXT too: it needs --site NAME and --days N");
  WeightedSiteCommand command;
  command.settings = settings_of(line);
  for (const std::string& place : line.places) command.places.push_back(parse_station_place(place));
  if (!line.site_at.empty()) command.site_at = parse_coordinates(line.site_at, "--site-at");
  command.gauges = common::parse_gauge_arguments(line.gauges);
  gauge::distribute_reading_options(command.gauges, line.reading);
  std::optional<ClimateChange> change;
  std::optional<TailRequest> tail;
  command.prepare = prepare_options_of(line, change, &tail);
  command.utc_offset = utc_offset_of(line);
  command.present = weighting::present_option(line.present);
  command.seasons = seasons_of(line);
  command.dir = line.dir;
  command.id = StationId::given(line.weighted_site, "--weighted-site");
  run_weighted_site_command(command, out);
}

void run_settings(const PrepareCommandLine& line, std::ostream& out) {
  if (!line.given.count("--site") || !line.given.count("--days"))
    throw UsageError("INPUT.TXT needs --site NAME and --days N");
  std::vector<std::string> station_options;
  for (const gauge::ReadingOption& option : gauge::reading_options)
    station_options.push_back(std::string("--") + option.name);
  for (const char* option :
       {"--min-complete", "--wet-threshold", "--spell-table", "--change", "--tail", "--fragments-from"})
    station_options.push_back(option);
  for (const std::string& option : station_options)
    if (line.given.count(option))
      throw UsageError(fmt::format("{} belongs to preparing a station, not to INPUT.TXT", option));
  SettingsCommand command;
  command.settings = settings_of(line);
  for (const std::string& place : line.places) command.places.push_back(parse_station_place(place));
  if (!line.site_at.empty()) command.site_at = parse_coordinates(line.site_at, "--site-at");
  command.utc_offset = utc_offset_of(line);
  command.seasons = seasons_of(line);
  command.dir = line.dir;
  run_settings_command(command, out);
}

void run_station(const PrepareCommandLine& line, std::ostream& out) {
  if (line.id.empty() || line.record.empty())
    throw UsageError(
        "give --id ID and a RECORD to prepare a station, or --site NAME --days N --station ... for "
        "INPUT.TXT (--help tells more)");
  StationCommand command;
  command.record = line.record;
  command.read = gauge::read_options_of(line.reading);
  for (std::size_t k = 0; k < line.reading.size(); ++k)
    for (const std::string& value : line.reading[k])
      command.reading.emplace_back(gauge::reading_options[k].name, value);
  command.utc_offset = utc_offset_of(line);
  std::optional<ClimateChange> change;
  std::optional<TailRequest> tail;
  command.prepare = prepare_options_of(line, change, &tail);
  command.seasons = seasons_of(line);
  command.dir = line.dir;
  command.id = StationId::given(line.id, "--id");
  run_station_command(command, out);
}

}  // namespace

PrepareOptions prepare_options_of(const PrepareCommandLine& line, std::optional<ClimateChange>& change,
                                  std::optional<TailRequest>* tail) {
  common::check_min_complete(line.min_complete);
  common::check_threshold(line.wet_threshold);
  if (line.spell_table != "matched" && line.spell_table != "cumulative")
    throw UsageError(fmt::format("--spell-table '{}' is neither matched nor cumulative", line.spell_table));
  PrepareOptions options{{line.min_complete, line.wet_threshold},
                         line.spell_table == "matched" ? SpellTableKind::matched : SpellTableKind::cumulative,
                         RecordMinimum{}};
  options.fragments = line.fragments;
  if (line.given.count("--change")) options.change = &change.emplace(parse_change(line.change));
  for (const char* option : {"--tail-years", "--tail-few-years"})
    if (line.given.count(option) && !line.given.count("--tail"))
      throw UsageError(fmt::format("{} shapes --tail: give --tail record|FILE with it", option));
  if (line.given.count("--tail")) {
    if (!tail)
      throw UsageError(
          "--tail widens the pool of one station or site station over the whole year: it does not "
          "take --network");
    if (line.given.count("--seasons"))
      throw UsageError(
          "--tail widens the pool of the whole year: it does not take --seasons (a season's pool would "
          "need its own share of the year's extremes)");
    if (!(line.tail_years >= 2 && line.tail_years <= 10000))
      throw UsageError(fmt::format("--tail-years {:g}: give a return period from 2 to 10000 years", line.tail_years));
    options.tail = &tail->emplace(TailRequest{
        .reference = line.tail, .years = line.tail_years, .few_years = line.given.count("--tail-few-years") > 0});
  }
  return options;
}

std::optional<Seasons> seasons_of(const PrepareCommandLine& line) {
  if (!line.given.count("--seasons")) return std::nullopt;
  return parse_seasons(line.seasons);
}

std::optional<calendar::UtcOffset> utc_offset_of(const PrepareCommandLine& line) {
  if (!line.given.count("--utc-offset")) return std::nullopt;
  return calendar::UtcOffset::given(line.utc_offset, "--utc-offset");
}

namespace {

// The one use the command line asks for.
void run_use(const PrepareCommandLine& line, std::ostream& out) {
  if (line.given.count("--weighted-site")) return run_weighted_site(line, out);
  if (line.given.count("--sites"))
    throw UsageError("--sites lists the sites of a network: it belongs to --network DIR");
  if (line.given.count("--jobs"))
    throw UsageError("--jobs says how many sites of a network are made at a time: it belongs to --network DIR");
  if (line.given.count("--present"))
    throw UsageError("--present says which intervals of a site station are present: it belongs to --weighted-site");
  if (!line.gauges.empty())
    throw UsageError("--gauge gives a record for --weighted-site; a station is prepared from --id ID RECORD");
  const bool station_use = !line.id.empty() || !line.record.empty();
  const bool settings_use = !line.site.empty() || line.days != 0 || !line.places.empty() || !line.site_at.empty() ||
                            line.given.count("--results");
  if (station_use && !line.places.empty())
    throw UsageError(
        "--station places a station in INPUT.TXT; the station of a SWMM rain file is picked with "
        "--swmm-station");
  if (station_use && settings_use)
    throw UsageError("prepare a station (--id ID RECORD) or write INPUT.TXT (--site ...), one at a time");
  if (settings_use) return run_settings(line, out);
  run_station(line, out);
}

}  // namespace

void run_prepare_command_line(const PrepareCommandLine& line, std::ostream& out) {
  // A --dir that does not exist is made for the files, and taken away again (while still empty)
  // when the use fails, so that a refusal leaves nothing behind.
  const fs::path dir = line.dir;
  std::error_code error;
  if (fs::exists(dir, error) || error) return run_use(line, out);
  if (!fs::create_directory(dir, error) || error)
    throw UsageError(fmt::format("--dir {}: cannot be made: {}", line.dir, error ? error.message() : "it exists"));
  try {
    run_use(line, out);
  } catch (...) {
    std::error_code ignored;
    fs::remove(dir, ignored);
    throw;
  }
}

}  // namespace raingen::stations
