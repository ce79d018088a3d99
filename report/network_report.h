// raingen-report --network: a network directory's report, from the request to its two files:
// statistics.csv (the network's rows) and report.html, both written aside and renamed together.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "calendar/start_option.h"
#include "report/make_report.h"
#include "stats/series_statistics.h"
#include "weighting/presence.h"

namespace raingen::report {

struct NetworkReportRequest {
  std::filesystem::path dir;                            // the network directory, holding NETWORK.TXT
  std::filesystem::path output;                         // empty: dir/report
  calendar::TimePoint start = calendar::default_start;  // when day 1 of the sites' results begins
  stats::StatisticsOptions options;                     // dry_threshold and min_complete_percent are used
  std::optional<weighting::Presence> present;           // none: as each site's RAINGEN.TXT records
  // A network ensemble file whose realizations are the generated series; empty: the plain runs in
  // the sites' folders.
  std::filesystem::path ensemble;
  bool start_given = false;  // with ensemble: start as given, else the file's day 1
};

// Reads the network (network_inputs.h), sets each site's plain run, or every realization of the
// ensemble file (network_file_runs.h), against the records and writes the two files. Throws ToolError or UsageError,
// before anything is written, for what an input gets wrong and for an output that would replace an input.
ReportOutcome make_network_report(const NetworkReportRequest& request);

}  // namespace raingen::report
