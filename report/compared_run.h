// A second run directory set beside the first (raingen-report --compare DIR): normally the run
// that raingen-prepare --weighted-site made ready, whose site series copies a site station made
// of the weighted record. Its series is compared under the name below.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "report/run_inputs.h"

namespace raingen::report {

inline constexpr const char* compared_series_name = "generated:weighted-site";

// Reads DIR/INPUT.TXT and its results file, or the table `results` when given, day 1 beginning at
// day_one. Throws as read_generated_run does.
GeneratedRun read_compared_run(const std::filesystem::path& dir, calendar::TimePoint day_one,
                               const std::filesystem::path& results = {});

// The rows of the page's run table that describe it.
std::vector<std::pair<std::string, std::string>> compared_run_rows(const GeneratedRun& run);

// What a reader must know first: a run whose INPUT.TXT puts no station at the site is no site
// station's run, whatever its series is called here.
std::vector<std::string> compared_run_warnings(const GeneratedRun& run);

}  // namespace raingen::report
