// The realizations of a raingen-ensemble file beside the report's series: each complete
// realization read as the series "realization:k" (day 1 at the report's start), its statistics
// kept without the blocks they came from (so that memory grows by a few numbers per realization,
// and its spells' lengths: a few hundred more for the bands of the spell charts),
// and their spread over the realizations for each statistic and aggregation level.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <vector>

#include "gauge/calendar_series.h"
#include "stats/quantile.h"
#include "stats/season_figures.h"
#include "stats/series_statistics.h"

namespace raingen::report {

struct EnsembleStatistics {
  std::filesystem::path file;
  long realizations = 0;                          // in the file
  std::vector<stats::SeriesStatistics> complete;  // "realization:k", in the file's order
  std::vector<long> failed;                       // the numbers k of the failed ones
  int first_seed = 0, last_seed = 0;              // of the file's first and last realizations
  std::vector<stats::CalendarFigures> calendar;   // of each complete one, when seasons were given
};

// Reads the ensemble file made from the run directory dir: its inputs' checksum must be that of
// dir's INPUT.TXT and station files (of every season's folder in a run directory of seasons), and its
// day 1 must begin at day_one. With seasons, each realization's figures by month and season too. Each depth is taken as
// the table value it came from (the float's nearest thousandth), so that realization:k's
// statistics are those of the plain run with its seed. The statistics of `jobs` realizations are
// computed at a time while the file is read (realization_pipeline.h); the result is the same
// for any jobs. Throws ToolError naming the file.
EnsembleStatistics read_ensemble_statistics(const std::filesystem::path& file, const std::filesystem::path& dir,
                                            calendar::TimePoint day_one, const stats::StatisticsOptions& options,
                                            int jobs = 1,
                                            const std::optional<stats::SeasonGrouping>& seasons = std::nullopt);

// The quantiles of a statistic over the realizations that have a value.
struct Spread {
  std::size_t count = 0;  // realizations with a value
  double p05 = 0, p25 = 0, p50 = 0, p75 = 0, p95 = 0;
};
std::optional<Spread> spread_of(const EnsembleStatistics& ensemble, int minutes, stats::Statistic statistic);

// The p-quantile (0 <= p <= 1) of sorted values, interpolated linearly between the order
// statistics at positions (n - 1) p (the default of R and numpy).
using stats::quantile;

// What rounding each 15-minute depth to 0.01 mm can move a sum of `intervals` of them by.
constexpr double rounding_of(int intervals) { return 0.005 * intervals; }

// The share of sorted values below value, ties counting half; with a resolution (0.01 mm for
// depths the program writes), value is taken at it and the values within half of it are ties:
// a record's 1.464 mm is the program's 1.46, neither above nor below it. A sum of such depths
// (an hour's four) is as far from the record's as their roundings add up to: `tie` widens the
// window to that (0.02 mm for an hour; default half the resolution).
std::optional<double> share_below(const std::vector<double>& sorted, double value, double resolution = 0,
                                  std::optional<double> tie = std::nullopt);

// The share of the realizations' values below value, ties counting half: where a reference value
// falls among the realizations (near 0 or 1 (0% or 100% on the page), the generator rarely gives it).
std::optional<double> share_below(const EnsembleStatistics& ensemble, int minutes, stats::Statistic statistic,
                                  double value);

}  // namespace raingen::report
