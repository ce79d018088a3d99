// A network's figures, record against generated: each pair of sites' correlation at 15 minutes,
// 1 hour and 1 day against the distance between them, and the share of blocks wet at all sites,
// for the weighted records and for each realization the source gives. A network of S sites has
// S(S-1)/2 pairs: their figures are never held all at once. Each realization's pair correlations go
// to a scratch file as the realization is read; then, level by level and pair by pair, each pair's
// rows of statistics.csv are written as they are made, and the page keeps only what it shows: the
// means over the pairs, the count of pairs beyond sampling error, the charts' points (in a large
// network, the mean of the pairs in each band of distance) and the pairs of its table. Memory grows
// with the sites, not with the pairs.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/output_file.h"
#include "report/network_file_runs.h"
#include "report/network_inputs.h"
#include "report/network_series.h"
#include "stats/network_correlation.h"

namespace raingen::report {

inline constexpr std::size_t network_level_count = stats::network_levels.size();

// The realizations' value of one figure: the value of a single realization, or over several the
// median, with their 5-95% band.
struct Pooled {
  std::optional<double> value, lower, upper;
  std::size_t count = 0;  // block pairs (or blocks) behind a single realization's value, its first's otherwise
};

// One pair as the page's table shows it.
struct PairFigures {
  std::size_t first = 0, second = 0;  // the sites' indices
  double distance = 0;
  std::array<stats::Correlation, network_level_count> record{};
  std::array<Pooled, network_level_count> generated{};
};

// A chart's points at one level: every pair's, or, beyond chart_pairs pairs, the means of the pairs
// in each band of distance (x the band's mean distance).
struct CorrelationPoints {
  std::vector<double> distance, record, generated;  // NaN where there is no value
  bool banded = false;
};

struct LevelMeans {
  double record = 0, generated = 0;  // over the pairs with both values
  std::size_t pairs = 0;
};

inline constexpr std::size_t table_pairs = 300;   // every pair in the page's table up to this many
inline constexpr std::size_t chart_pairs = 3000;  // every pair a point up to this many

struct NetworkFigures {
  std::vector<std::string> sites;
  std::string unit;  // of the distances: km, or the map unit
  std::size_t pairs = 0;
  std::array<stats::JointWetness, network_level_count> record_wet{};
  std::vector<std::array<stats::JointWetness, network_level_count>> generated_wet;  // one per realization
  std::size_t generated_days = 0;  // of the first realization's first site
  // When the realizations came from a network ensemble file: what it held and what was left out;
  // realization i is then realization file->pooled[i] of the file.
  const NetworkFileTally* file = nullptr;
  std::array<LevelMeans, network_level_count> means{};
  std::size_t daily_tested = 0, daily_outside = 0;  // pairs whose daily r differs beyond sampling error
  std::array<CorrelationPoints, network_level_count> charts{};
  // Every pair when there are at most table_pairs; else each site's pair with its nearest site.
  std::vector<PairFigures> table;
  bool table_of_nearest = false;

  std::size_t realizations() const { return generated_wet.size(); }
  Pooled generated_wet_at_all(std::size_t level) const;
};

// The figures of the records of `in` and of every realization of `generated`, statistics.csv written
// to csv as they are made (not committed): for each level, each pair "record:A/B" then
// "generated:A/B" (site names hold no '/'), statistic correlation (x the distance; the
// realizations' band in lower and upper) and correlation_pairs; then "record" and "generated" (or
// each realization "realization:k") with share_wet_at_all_sites, share_wet_at_any_site and
// blocks_present_at_all_sites at each level; from a network ensemble file (`file`, filled as the
// source is read), "generated" rows without a level: realizations (in the file),
// realizations_pooled, realizations_left_out (a failed run at one site or more) and failed_runs.
// Throws ToolError for a realization whose sites are not NETWORK.TXT's in its order, or a source
// that gives none.
NetworkFigures network_figures(const NetworkInputs& in, const RealizationSource& generated, double min_complete_percent,
                               double dry_threshold, const NetworkFileTally* file, common::OutputFile& csv);

// Whether two correlations of n1 and n2 pairs differ by more than sampling error: Fisher's z,
// two-sided at 5%, as if the pairs were independent.
bool correlations_differ(double r1, std::size_t n1, double r2, std::size_t n2);

}  // namespace raingen::report
