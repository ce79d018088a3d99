// Ensembles made apart (on several machines, by seed ranges) put together into one file: the
// realizations of each file in the order given, renumbered from 1, with their seeds and status.
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
// (their checksums agree), site, position, clock, start and length, with no seed twice. One file is
// open at a time (each is read twice: checked, then copied), so any number can be merged. Throws
// ToolError naming the file that does not fit; UsageError for an output that is one of the files.
// The merged file's history is history_entry (the merge's command) above the first file's. A line
// on messages sums up.
MergeOutcome merge_ensembles(const std::vector<std::filesystem::path>& files, const std::filesystem::path& output,
                             const std::string& history_entry, std::ostream& messages);

}  // namespace raingen::ensemble
