// Ensembles made apart (on several machines, by seed ranges) put together into one file: the
// realizations of each file in the order given, renumbered from 1, with their seeds and status.
// Parts of one ensemble (--part) go in the order of their parts, whatever the order given, and
// must be each of its parts once: the merged file is then the one a single run of the whole
// ensemble writes (but for source and history). Parts of a network's ensemble (the first file has a
// site dimension) are merged by merge_networks.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace raingen::ensemble {

struct MergeOutcome {
  long realizations = 0;
  long failed = 0;  // realizations that were failed in their own file, and stay so
};

// Writes output (aside, then renamed) from the files, which must be ensembles of the same inputs
// (their checksums agree), site, position, clock, start and length, with no seed twice; or all
// parts of one ensemble (the same K, N and S too), each part once and whole. One file is open at a
// time (each is read twice: checked, then copied), so any number can be merged. Throws ToolError
// naming the file that does not fit, or the parts missing and doubled; UsageError for an output
// that is one of the files. Nothing is written on a refusal.
// The merged file's history is history_entry (the merge's command) above the first file's. A line
// on messages sums up.
MergeOutcome merge_ensembles(const std::vector<std::filesystem::path>& files, const std::filesystem::path& output,
                             const std::string& history_entry, std::ostream& messages);

}  // namespace raingen::ensemble
