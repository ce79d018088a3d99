// The page of a network report: where the method falls short on this network, the sites, every
// pair's correlation record against generated in a table and charts against distance, and the
// share of blocks wet at all sites at once. One self-contained HTML file, as report.html.
#pragma once

#include <string>

#include "report/network_figures.h"
#include "report/network_inputs.h"
#include "stats/series_statistics.h"

namespace raingen::report {

struct NetworkPage {
  const NetworkInputs* inputs = nullptr;
  const NetworkFigures* figures = nullptr;
  stats::StatisticsOptions options;
  std::string start;  // day 1 of the generated series, as --start or the ensemble file gave it
  std::string clock;  // "UTC+01:00": the ensemble file's clock; empty when none is stated
};

std::string network_report_html(const NetworkPage& page);

// The sentences of what the method cannot do on this network, with its figures: the mean
// correlation of the pairs at each level record against generated, the pairs whose generated
// daily r lies outside the record's by more than sampling error, and what a low generated r says.
std::vector<std::string> network_shortfalls(const NetworkFigures& figures);

}  // namespace raingen::report
