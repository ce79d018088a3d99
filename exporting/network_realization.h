// One realization of a network ensemble file (raingen-ensemble --network) as sources for the
// network export: each site's column of that realization, the sites matched to NETWORK.TXT by name
// and given in its order, the start of day 1 the file's own.
#pragma once

#include <filesystem>

#include "exporting/site_source.h"

namespace raingen::exporting {

// Reads dir/NETWORK.TXT and the file's header, and checks, before any depth is read, that the file
// holds the manifest's sites and no other, that it holds realization (from 1) and that the run of
// that realization completed at every site. Throws ToolError naming NETWORK.TXT's line of a site
// the file lacks, the file for a site NETWORK.TXT lacks, a realization it does not hold, or the
// realization's failed runs (by site, with the realization's seed). Each source reads one column,
// a depth that is not a table's (the fill value of a damaged file) read as missing.
NetworkSources network_realization(const std::filesystem::path& dir, const std::filesystem::path& file,
                                   long realization);

}  // namespace raingen::exporting
