// Ensembles made apart (on several machines, by seed ranges) put together into one file: the
// realizations of each file in the order given, renumbered from 1, with their seeds and status.
#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

namespace raingen::ensemble {

struct MergeOutcome {
  long realizations = 0;
  long failed = 0;  // realizations that were failed in their own file, and stay so
};

// Writes output (aside, then renamed) from the files, which must be ensembles of the same inputs
// (their checksums agree), site, start and length, with no seed twice. Throws ToolError naming
// the file that does not fit; UsageError for an output that is one of the files. A line on messages
// sums up.
MergeOutcome merge_ensembles(const std::vector<std::filesystem::path>& files, const std::filesystem::path& output,
                             std::ostream& messages);

}  // namespace raingen::ensemble
