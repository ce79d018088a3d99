// What a network report reads: NETWORK.TXT, each site's weighted record rebuilt from the gauges its
// folder's RAINGEN.TXT names (site_reference.h), and each site's generated series from a plain run
// in its folder (its results table).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "calendar/time_point.h"
#include "gauge/calendar_series.h"
#include "network/network_manifest.h"
#include "report/network_series.h"
#include "weighting/presence.h"

namespace raingen::report {

struct NetworkSiteInputs {
  std::filesystem::path folder;  // the network directory / the site's folder
  std::string results_name;      // its INPUT.TXT's results file
  std::string gauges;            // "A 1, B 3, C 4": the gauges and distances of its weighting
  weighting::Presence present = weighting::Presence::all;
  gauge::CalendarSeries record;  // its weighted record, named "weighted-record:SITE"
  bool seasons = false;          // a run directory of seasons: no plain run's table
};

struct NetworkInputs {
  std::filesystem::path dir;
  network::NetworkManifest manifest;
  std::vector<NetworkSiteInputs> sites;     // in NETWORK.TXT's order
  std::vector<std::filesystem::path> read;  // every file read, for the check that no output replaces one
};

// Reads dir/NETWORK.TXT and, for each site, its folder's INPUT.TXT and RAINGEN.TXT and the
// records of the gauges its site station was made of (each record read once for the network),
// weighted at the distances RAINGEN.TXT records, present as it records (or as `present` says).
// Throws ToolError naming the file (and line) for NETWORK.TXT that does not read, a site folder
// whose RAINGEN.TXT records no site station made of gauges at distance 0 of its INPUT.TXT or one
// made of other gauges or distances than NETWORK.TXT lists for the site, and for anything a
// record gets wrong.
NetworkInputs read_network_inputs(const std::filesystem::path& dir, std::optional<weighting::Presence> present);

// The plain runs in the sites' folders as one realization: each site's results table (the name in
// its INPUT.TXT), day 1 at day_one, named "generated:SITE". Reads every table when called; throws
// ToolError naming the table for one missing (the program not run there) or unlike its INPUT.TXT.
// The source reads through `inputs`, which outlives it.
RealizationSource plain_runs(const NetworkInputs& inputs, calendar::TimePoint day_one);

}  // namespace raingen::report
