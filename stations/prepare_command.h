// The two things raingen-prepare does, each from its command line gathered into one value:
// prepare a gauge record as a station (its three files), or write INPUT.TXT.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "gauge/read_gauge.h"
#include "stations/prepare_station.h"
#include "stations/settings_file.h"
#include "stations/station_id.h"
#include "stations/station_places.h"

namespace raingen::stations {

struct StationCommand {
  StationId id;
  std::string record;  // the gauge record file
  gauge::ReadOptions read;
  PrepareOptions prepare;
  std::filesystem::path dir = ".";
};

// Reads the record, prepares it as station id, writes its three files into dir (all or none) and
// prints a summary on out. Throws ToolError or UsageError.
void run_station_command(const StationCommand& command, std::ostream& out);

struct SettingsCommand {
  Settings settings;  // results name, site name and day count; stations come from places
  std::vector<StationPlace> places;
  std::optional<Coordinates> site_at;
  std::filesystem::path dir = ".";
};

// Writes dir/INPUT.TXT and prints what it holds, with notes on the distances, on out.
void run_settings_command(const SettingsCommand& command, std::ostream& out);

// The summary of a prepared station, as printed: what was read (one line), then what was found
// and written (station_findings_text, indented).
std::string station_summary_text(const StationCommand& command, const gauge::ReadFacts& facts,
                                 const StationSummary& summary, std::size_t spell_entries);
std::string record_read_text(const std::string& record, const gauge::ReadFacts& facts);
std::string station_findings_text(const StationId& id, const std::filesystem::path& dir, const PrepareOptions& options,
                                  const StationSummary& summary, std::size_t spell_entries);

}  // namespace raingen::stations
