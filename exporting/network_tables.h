// The sites of a network directory (NETWORK.TXT) as sources for the network export: each site's
// results table, the one its folder's INPUT.TXT names, left there by a plain run of the program,
// in NETWORK.TXT's order of sites.
#pragma once

#include <filesystem>
#include <vector>

#include "calendar/time_point.h"
#include "exporting/site_source.h"
#include "network/network_manifest.h"

namespace raingen::exporting {

struct NetworkTables {
  network::NetworkManifest manifest;
  SiteSources sources;
  std::vector<std::filesystem::path> inputs;  // every file the export reads, for checking an output
};

// Reads dir/NETWORK.TXT and every site's INPUT.TXT, and checks that every table is there, before
// any table is read. Throws ToolError naming NETWORK.TXT's line of a site whose folder is missing,
// or the table of a site that has none. Each source reads its table with day 1 beginning at start
// and throws ToolError, naming the table, for one with fewer or more days than its INPUT.TXT runs.
NetworkTables network_tables(const std::filesystem::path& dir, calendar::TimePoint start);

}  // namespace raingen::exporting
