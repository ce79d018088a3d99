// raingen-prepare --network: the run directories of every site of a sites file, prepared together
// from one gauge network so that one seed draws the same dates at every site.
//
// Each site's record is weighted (weighting/weighted_record) from its three nearest gauges at
// whole-number distances (network/site_gauges.h). The network's days (network/network_days.h)
// give one list of dates and one spell table; each site station holds its own depths on the
// network's wet dates. A site's folder (its name, in the network directory) is laid out as
// --weighted-site lays out a run directory: the site station at distance 0, its two nearest gauges
// as stations 2 and 3 (each gauge prepared once, its files written into every folder that uses it),
// INPUT.TXT and RAINGEN.TXT; NETWORK.TXT lists the sites, gauges, positions, folders and distances.
// With seasons, each site's folder is laid out as a run directory of seasons (stations/
// season_folders.h): in every season the network's days of that season alone, so that every site
// draws the same dates in every season block.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "calendar/utc_offset.h"
#include "common/gauge_arguments.h"
#include "network/network_manifest.h"
#include "stations/prepare_station.h"
#include "stations/seasons.h"
#include "weighting/presence.h"

namespace raingen::network {

struct GaugePlace {
  std::string id;  // as given: held to the identifier's rule here
  Position position{};
};

struct NetworkCommand {
  std::filesystem::path dir;
  std::string sites_file;
  std::vector<common::GaugeArgument> gauges;  // --gauge ID=FILE, with their reading options
  std::vector<GaugePlace> places;             // --station ID@A,B
  weighting::Presence present = weighting::Presence::all;
  stations::PrepareOptions prepare;
  std::optional<calendar::UtcOffset> utc_offset;  // the clock every gauge kept, when stated
  std::string results_name;                       // of every site's INPUT.TXT
  int day_count = 0;
  std::optional<stations::Seasons> seasons;  // --seasons: every site's folder a run directory of seasons
  int jobs = 1;                              // sites made at a time (their files written in order)
};

// Reads the sites and the gauges' records, writes every site's folder and dir/NETWORK.TXT (all or
// none) and prints a summary on out. Throws UsageError for a command that does not fit (before any
// record is read) and ToolError for a sites file or a record that does not; nothing is written
// then.
void run_network_command(const NetworkCommand& command, std::ostream& out);

}  // namespace raingen::network
