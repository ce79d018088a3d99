// A run directory of seasons, as raingen-prepare writes it: one folder per season (named by its
// months, stations/seasons.h) holding that season's station files and INPUT.TXT, and the
// [seasons] section of RAINGEN.TXT listing the seasons and the checksum of every file written into
// their folders, which the runner reads to find them and to tell a file changed since.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "gauge/calendar_series.h"
#include "stations/prepare_station.h"
#include "stations/run_facts.h"
#include "stations/seasons.h"

namespace raingen::stations {

// The seasons a use of raingen-prepare writes in: those given (--seasons), which must be those
// RAINGEN.TXT already lists if it lists any; else RAINGEN.TXT's; else none, a plain run directory.
// Throws ToolError naming facts_file and the line of [seasons] when the two differ.
std::optional<Seasons> seasons_of_use(const std::optional<Seasons>& given, const RunFacts& facts,
                                      const std::string& facts_file);

// Where a season of a gauge that only fills a station's place is too thin, the days it is
// prepared from instead: the site record's (a site station at distance 0 alone makes the series).
struct StandIn {
  const gauge::CalendarSeries* series = nullptr;
  std::string source;
  std::vector<std::string> notes;  // filled: one per season it stood in for, with the reason
};

// "station B keeps 24 complete days of 36 (--min-complete 100), too few to draw from": why a
// stand-in took a gauge's place, from the refusal it spared.
std::string stand_in_note(const common::ToolError& thin);

// A record prepared as a station season by season: element s from the days of seasons[s] alone.
// Throws ToolError as prepare_days does, for the first season too thin to draw from, unless a
// stand-in is given: that season is then prepared from its days, and noted.
std::vector<PreparedStation> prepare_in_seasons(const gauge::CalendarSeries& series, const StationId& id,
                                                const PrepareOptions& options, const std::string& source,
                                                const Seasons& seasons, StandIn* stand_in = nullptr);

// The file NAME of a season's folder, dir/SEASON/NAME, with its text; its checksum goes into the
// [seasons] of facts (which gets the seasons when it has none).
common::FileText season_file(RunFacts& facts, const Seasons& seasons, const std::filesystem::path& dir,
                             const Season& season, const std::string& name, std::string text);

// Writes the files as common::write_together does, making first the folders of dir's seasons that
// are missing; when the writing fails, the folders made here are taken away again.
void write_with_season_folders(const std::vector<common::FileText>& files, const std::filesystem::path& dir,
                               const Seasons& seasons);

}  // namespace raingen::stations
