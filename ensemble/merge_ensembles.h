// Ensembles made apart (on several machines, by seed ranges) put together into one file: the
// realizations of each file in the order given, renumbered from 1, with their seeds and status.
// Parts of one ensemble (--part) go in the order of their parts, whatever the order given, and
// must be each of its parts once: the merged file is then the one a single run of the whole
// ensemble writes (but for source and history). A network's files (the first has a site
// dimension) merge as the parts of one ensemble alone: each holds all sites of its range of
// realizations.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace raingen::ensemble {

struct MergeOutcome {
  long realizations = 0;
  long sites = 1;
  long failed = 0;  // runs (realization x site) that were failed in their own file, and stay so
};

// Writes output (aside, then renamed) from the files, which must be ensembles of the same inputs
// (their checksums agree), site or sites, positions, clock, start and length, with no seed twice;
// or all parts of one ensemble (the same K, N and S too), each part once and whole, holding its
// realizations with their numbers and seeds. One file is open at a
// time (each is read twice: checked, then copied), so any number can be merged. Throws ToolError
// naming the file that does not fit, or the parts missing and doubled; UsageError for an output
// that is one of the files. Nothing is written on a refusal.
// The merged file's history is history_entry (the merge's command) above the first file's. A line
// on messages sums up.
MergeOutcome merge_ensembles(const std::vector<std::filesystem::path>& files, const std::filesystem::path& output,
                             const std::string& history_entry, std::ostream& messages);

}  // namespace raingen::ensemble
