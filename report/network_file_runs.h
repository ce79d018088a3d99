// A network ensemble file (raingen-ensemble --network) as the network report's generated series:
// its realizations one at a time, each site's column matched to NETWORK.TXT's site of that name,
// so that the report never holds more than one realization's sites in memory.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "calendar/time_point.h"
#include "ensemble_file/ensemble_file.h"
#include "report/network_inputs.h"
#include "report/network_series.h"

namespace raingen::report {

// What the file held and what the report left out of it.
struct NetworkFileTally {
  std::filesystem::path file;
  long realizations = 0;       // in the file
  long failed_runs = 0;        // (realization, site) runs of status 1
  std::vector<long> pooled;    // the numbers k (from 1) of the realizations complete at every site
  std::vector<long> left_out;  // those with a failed run at one site or more
};

// Throws ToolError naming the file when its sites are not NETWORK.TXT's: the sites it lacks and
// those it has that the network does not.
void check_network_file_sites(const ensemble_file::NetworkReader& reader, const std::filesystem::path& file,
                              const NetworkInputs& inputs);

// The realizations of the file whose runs are complete at every site, in the file's order, each
// site's depths as the table value it came from (the float's nearest thousandth), day 1 at day_one,
// named "generated:SITE". A realization with a failed run at any site is left out and counted in
// `tally` (tally.file names the file; the source fills the rest as it reads, and tally, like reader and
// inputs, outlives it). When
// the last realization is read and none was complete at every site, throws ToolError naming the file.
RealizationSource network_file_runs(const ensemble_file::NetworkReader& reader, const NetworkInputs& inputs,
                                    calendar::TimePoint day_one, NetworkFileTally& tally);

}  // namespace raingen::report
