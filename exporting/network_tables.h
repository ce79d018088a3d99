// The sites of a network directory (NETWORK.TXT) as sources for the network export: each site's
// results table, the one its folder's INPUT.TXT names, left there by a plain run of the program,
// in NETWORK.TXT's order of sites.
#pragma once

#include <filesystem>

#include "calendar/time_point.h"
#include "exporting/site_source.h"

namespace raingen::exporting {

// Reads dir/NETWORK.TXT and every site's INPUT.TXT, and checks that every table is there, before
// any table is read. Throws ToolError naming NETWORK.TXT's line of a site whose folder is missing,
// or the table of a site that has none. Each source reads its table with day 1 beginning at start
// and throws ToolError, naming the table, for one with fewer or more days than its INPUT.TXT runs.
NetworkSources network_tables(const std::filesystem::path& dir, calendar::TimePoint start);

}  // namespace raingen::exporting
