// The parts of a network's ensemble (--network with --part), made apart, put together into the
// whole network file: each part holds all sites of its range of realizations, so the merge lays
// the parts' realizations end to end in the order of their parts.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace raingen::ensemble {

struct NetworkMergeOutcome {
  long realizations = 0;
  long sites = 0;
  long failed = 0;  // runs (realization x site) failed in their part, which stay so
};

// Writes output (aside, then renamed) from files, which must be network ensemble files that are
// parts of one ensemble: the same inputs (checksum), sites and positions, start, clock, length, K,
// N and S; each of parts 1..N once, each holding its realizations with their numbers and seeds.
// One file is open at a time (each is read twice: checked, then copied). Throws ToolError naming
// the file that does not fit, or the parts missing and doubled; UsageError for an output that is
// one of the files. Nothing is written on a refusal. The merged file is the one a single run of
// the whole ensemble writes, but for its source (the parts' own) and history (history_entry above
// the first part's). A line on messages sums up.
NetworkMergeOutcome merge_networks(const std::vector<std::filesystem::path>& files, const std::filesystem::path& output,
                                   const std::string& history_entry, std::ostream& messages);

}  // namespace raingen::ensemble
