// A network's figures, record against generated: each pair of sites' correlation at 15 minutes,
// 1 hour and 1 day against the distance between them, and the share of blocks wet at all sites,
// for the weighted records and for each realization the source gives; and their CSV rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/network_file_runs.h"
#include "report/network_inputs.h"
#include "report/network_series.h"
#include "stats/network_correlation.h"
#include "stats/statistics_csv.h"

namespace raingen::report {

// The realizations' value of one figure: the value of a single realization, or over several the
// median, with their 5-95% band.
struct Pooled {
  std::optional<double> value, lower, upper;
  std::size_t count = 0;  // block pairs (or blocks) behind a single realization's value, its first's otherwise
};

struct NetworkFigures {
  std::vector<std::string> sites;
  std::string unit;                  // of the distances: km, or the map unit
  std::vector<double> distances;     // of record.pairs, in their order
  stats::NetworkCorrelation record;  // of the weighted records
  std::vector<stats::NetworkCorrelation> generated;  // one per realization, in the source's order
  std::size_t generated_days = 0;    // of the first realization's first site
  // When the realizations came from a network ensemble file: what it held and what was left out;
  // generated[i] is then realization file->pooled[i] of the file.
  const NetworkFileTally* file = nullptr;

  Pooled generated_r(std::size_t pair, std::size_t level) const;
  Pooled generated_wet_at_all(std::size_t level) const;
};

// The figures of the records of `in` and of every realization of `generated`. Throws ToolError
// for a realization whose sites are not NETWORK.TXT's in its order, or a source that gives none.
NetworkFigures network_figures(const NetworkInputs& in, const RealizationSource& generated,
                               double min_complete_percent, double dry_threshold);

// statistics.csv's rows: for each level, each pair "record:A/B" then "generated:A/B" (site names
// hold no '/'), statistic correlation (x the distance; the realizations' band in lower and upper)
// and correlation_pairs; then "record" and "generated" (or each realization "realization:k") with
// share_wet_at_all_sites, share_wet_at_any_site and blocks_present_at_all_sites at each level; from a
// network ensemble file, "generated" rows without a level: realizations (in the file),
// realizations_pooled, realizations_left_out (a failed run at one site or more) and failed_runs.
std::vector<stats::CsvRow> network_csv_rows(const NetworkFigures& figures);

}  // namespace raingen::report
