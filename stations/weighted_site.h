// raingen-prepare's third use: a site station. The records of the three stations are combined as
// the program weights its station series (weighting/weighted_record), into one record of the site
// that is present where every record used is present (--present all) or where any is, from the
// weights of those present (--present any), and that record is prepared as a station of its own. INPUT.TXT puts it at
// the site (distance 0), so that the program copies its series unchanged: every wet day of the site series is a day on
// which the neighbourhood rained together. The first two gauges are stations 2 and 3 (the program reads three stations;
// at distance 0 the site takes nothing from them).
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "calendar/utc_offset.h"
#include "common/gauge_arguments.h"
#include "stations/prepare_station.h"
#include "stations/seasons.h"
#include "stations/settings_file.h"
#include "stations/station_places.h"
#include "weighting/presence.h"

namespace raingen::stations {

struct WeightedSiteCommand {
  StationId id;                      // the site station
  Settings settings;                 // results name, site name and day count; the stations are filled here
  std::vector<StationPlace> places;  // the gauges' stations, in the weighting's order
  std::optional<Coordinates> site_at;
  std::vector<common::GaugeArgument> gauges;               // the record of each place, by its ID
  std::optional<calendar::UtcOffset> utc_offset;           // the clock every gauge kept, when stated
  weighting::Presence present = weighting::Presence::all;  // which intervals of the site record are present
  PrepareOptions prepare;                                  // for all three stations written
  std::optional<Seasons> seasons;                          // --seasons, when given
  std::filesystem::path dir = ".";
};

// Reads the three records, writes the site station's files, those of the first two gauges,
// INPUT.TXT and RAINGEN.TXT (the site, the site station, and each gauge's record, reading options
// and clock) into dir (all eleven or none) and prints a summary on out. In a run directory of
// seasons (given, or listed by RAINGEN.TXT) the three stations are prepared season by season and
// each season's folder gets its files and INPUT.TXT (season_folders.h). Throws UsageError for a
// command that does not fit (before any record is read) and ToolError for a record that does not.
void run_weighted_site_command(const WeightedSiteCommand& command, std::ostream& out);

}  // namespace raingen::stations
