// The two things raingen-prepare does, each from its command line gathered into one value:
// prepare a gauge record as a station (its three files), or write INPUT.TXT.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "calendar/utc_offset.h"
#include "gauge/read_gauge.h"
#include "stations/prepare_station.h"
#include "stations/run_facts.h"
#include "stations/seasons.h"
#include "stations/settings_file.h"
#include "stations/station_id.h"
#include "stations/station_places.h"

namespace raingen::stations {

struct StationCommand {
  StationId id;
  std::string record;  // the gauge record file
  gauge::ReadOptions read;
  FactLines reading;                              // the reading options as given, for RAINGEN.TXT
  std::optional<calendar::UtcOffset> utc_offset;  // the clock the gauge kept, when stated
  PrepareOptions prepare;
  std::optional<Seasons> seasons;  // --seasons, when given
  std::filesystem::path dir = ".";
};

// Reads the record, prepares it as station id, writes its three files and its section of
// dir/RAINGEN.TXT (all or none) and prints a summary on out. In a run directory of seasons (given,
// or listed by RAINGEN.TXT) the station is prepared season by season, each season's files from its
// days alone into its folder (season_folders.h). Throws ToolError or UsageError.
void run_station_command(const StationCommand& command, std::ostream& out);

struct SettingsCommand {
  Settings settings;  // results name, site name and day count; stations come from places
  std::vector<StationPlace> places;
  std::optional<Coordinates> site_at;
  std::optional<calendar::UtcOffset> utc_offset;  // the site's clock, when given
  std::optional<Seasons> seasons;                 // --seasons, when given
  std::filesystem::path dir = ".";
};

// Writes dir/INPUT.TXT and the [site] of dir/RAINGEN.TXT (both or neither) and prints what they
// hold, with notes on the distances, on out; in a run directory of seasons, INPUT.TXT goes into
// each season's folder. Throws ToolError when the stations' clocks disagree.
void run_settings_command(const SettingsCommand& command, std::ostream& out);

// The clock of the site series: the one given, else the one every station states in facts (a site
// station by the sections of its gauges), else none. Throws ToolError naming file (RAINGEN.TXT) and
// the line of a station that states another clock than a station before it or than the one given.
std::optional<calendar::UtcOffset> site_clock(const RunFacts& facts, const std::vector<StationId>& stations,
                                              std::optional<calendar::UtcOffset> given, const std::string& file);

// The record as RAINGEN.TXT holds it: absolute, or none for standard input.
std::optional<std::string> record_fact(const std::string& record);

// The lines of RAINGEN.TXT that record a --change and a --tail: change = TERMS and change_result =
// what it did to the record's days; tail = REFERENCE and tail_result = what it did to the pool.
FactLines change_facts(const PrepareOptions& options, const StationSummary& summary);

// The lines a summary gives for what RAINGEN.TXT now says of a station, and of the site.
std::string station_facts_text(const std::filesystem::path& dir, const StationFacts& station);
std::string site_facts_text(const std::filesystem::path& dir, const SiteFacts& site);

// The summary of a prepared station, as printed: what was read (one line), then what was found
// and written (station_findings_text, indented).
std::string station_summary_text(const StationCommand& command, const gauge::ReadFacts& facts,
                                 const StationSummary& summary, std::size_t spell_entries);
std::string record_read_text(const std::string& record, const gauge::ReadFacts& facts);
std::string station_findings_text(const StationId& id, const std::filesystem::path& dir, const PrepareOptions& options,
                                  const StationSummary& summary, std::size_t spell_entries);
// The same for a station prepared season by season: the record's period, then one block per
// season with what it found and wrote in the season's folder.
std::string season_findings_text(const StationId& id, const std::filesystem::path& dir, const PrepareOptions& options,
                                 const Seasons& seasons, const std::vector<PreparedStation>& prepared);
// What [seasons] of RAINGEN.TXT now says, after the files of a use went in.
std::string seasons_facts_text(const SeasonsFacts& seasons, std::size_t files_written);

}  // namespace raingen::stations
