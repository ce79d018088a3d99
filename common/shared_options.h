// The options several tools take, each defined once here: its name (and the name it is also
// known by), its range and its check, so that every tool takes the same values.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace raingen::common {

// --min-complete PERCENT: the share of a day's (or a block's) intervals that must be present for
// it to count; above 0 and at most 100 (check_min_complete, after parsing).
CLI::Option* add_min_complete_option(CLI::App& app, double& percent, const std::string& help);
void check_min_complete(double percent);  // throws UsageError

// --wet-threshold MM (also --dry-threshold): a day or a block is wet above it, dry at or below;
// 0 or more (check_threshold, after parsing).
CLI::Option* add_threshold_option(CLI::App& app, double& mm, const std::string& help);
void check_threshold(double mm);  // throws UsageError

}  // namespace raingen::common
