// raingen-report's work from a request to its two files: reading the run's inputs, the statistics
// of every series, statistics.csv and report.html, both written aside and renamed together.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "calendar/start_option.h"
#include "common/gauge_arguments.h"
#include "report/report_outputs.h"
#include "stats/series_statistics.h"
#include "weighting/presence.h"

namespace raingen::report {

struct ReportRequest {
  std::filesystem::path dir = ".";
  std::vector<common::GaugeArgument> gauges;
  calendar::TimePoint start = calendar::default_start;  // when day 1 of the results begins
  stats::StatisticsOptions options;
  std::filesystem::path output;            // empty: dir/report
  std::filesystem::path results;           // a table to read in place of the results file; empty: that file
  std::filesystem::path compare;           // a second run directory (a site station's run); empty: none
  std::filesystem::path compare_results;   // a table to read in place of its results file; empty: that file
  std::filesystem::path ensemble;          // a raingen-ensemble file of this run's inputs; empty: none
  std::filesystem::path reference_ddf;     // a reference depth-duration-frequency curve; empty: none
  std::filesystem::path changed;           // a run directory of a changed climate (--change); empty: none
  std::filesystem::path changed_ensemble;  // its raingen-ensemble file (with changed and ensemble)
  // Which intervals of the weighted record are present; none: as the site station of the --compare
  // run directory was made (its RAINGEN.TXT), else all.
  std::optional<weighting::Presence> present;
  int jobs = 1;  // realizations whose statistics are computed at a time while the file is read
};

ReportOutcome make_report(const ReportRequest& request);

}  // namespace raingen::report
