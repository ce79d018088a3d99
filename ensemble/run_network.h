// Making a network's ensemble: for realization k (1..K) and every site s of a network directory
// (NETWORK.TXT and one run directory per site), a plain run of the program in a scratch copy of the
// site's folder with RAINGEN_SEED = S + k - 1, the same at every site, so that every site draws the
// same dates. With --days, each run of the one-site ensemble's calendar blocks (calendar_blocks.h)
// takes the block's seed, again the same at every site. Up to `jobs` runs go side by side over the
// whole (realization x site) set, and each run's table goes into the file (network_file.h) as soon
// as its turn comes, so that memory grows with neither sites nor realizations.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "calendar/interval.h"
#include "calendar/utc_offset.h"
#include "ensemble/ensemble_runs.h"
#include "ensemble_file/ensemble_part.h"

namespace raingen::ensemble {

struct NetworkRequest : EnsembleRuns {
  std::filesystem::path dir;  // the network directory
};

struct NetworkOutcome {
  long runs = 0;    // K (or the part's realizations) x sites
  long failed = 0;  // runs that failed
};

// Runs the network's ensemble with the program at program and writes request.output (aside, then
// renamed into place). A failed run is listed on messages by site and realization as it ends, the
// others are written, and a line at the end sums up. Throws ToolError for a network directory the
// program cannot run on (NETWORK.TXT or a site's folder at fault, sites of different day counts, a
// site folder of seasons), an output that cannot be written, or an interruption (the runs are
// stopped and nothing is written); UsageError for days the calendar cannot hold.
NetworkOutcome run_network(const NetworkRequest& request, const std::filesystem::path& program, std::ostream& messages,
                           bool terminal);

}  // namespace raingen::ensemble
