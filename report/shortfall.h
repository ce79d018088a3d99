// Where the generated series falls short of the weighted record: every statistic whose record
// value lies outside the realizations' 5-95% band (an ensemble), or whose ratio of generated to
// record lies outside a stated range (a single run), most distant first.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/ensemble_statistics.h"
#include "stats/series_statistics.h"

namespace raingen::report {

// A single run's ratio to the record counts as short outside [1 / ratio_range, ratio_range].
inline constexpr double ratio_range = 1.25;

struct Shortfall {
  int minutes = 0;
  stats::Statistic statistic{};
  double record = 0;         // the weighted record's value
  double generated = 0;      // the realizations' median, or the single run's value
  double low = 0, high = 0;  // the 5-95% band, or the stated range times the record's value
  // How far outside: in widths of the band (the gap to its nearer end over its width; a band of
  // one value counts a gap as infinitely far), or, for a single run, the factor by which the
  // ratio lies beyond the range (1.6 = 60% beyond its nearer end).
  double distance = 0;
  std::string name;  // a figure other than a block statistic ("mean total of January (mm)"); else empty
};

// A record figure resting on fewer years than this is shown, never ranked as a shortfall.
inline constexpr std::size_t fewest_ranked_years = 3;

// The calendar years (at least 90% present) behind the record's annual_max_mean at a level.
std::size_t record_years(const stats::SeriesStatistics& record, int minutes);

// Whether a statistic of the record is ranked: every one but annual_max_mean on fewer than
// fewest_ranked_years years.
bool ranked(const stats::SeriesStatistics& record, int minutes, stats::Statistic statistic);

// The statistics, every ranked level, whose record value lies outside the realizations' 5-95% band;
// sorted by distance, largest first (equal ones in the table's order).
std::vector<Shortfall> ensemble_shortfalls(const EnsembleStatistics& ensemble, const stats::SeriesStatistics& record);

// A figure beyond the block statistics: the record's value and each realization's. Depths the
// station files round to 0.01 mm come back in the realizations rounded: a record value at most
// `rounding` outside the band (0.005 mm for a 15-minute depth, four times that for an hour's) is
// the band's own value as the files hold it, and is not listed.
struct NamedFigure {
  std::string name;
  std::optional<double> record;
  std::vector<double> realizations;
  double rounding = 0;
};

// The figures whose record value lies outside the realizations' 5-95% band, as above.
std::vector<Shortfall> figure_shortfalls(const std::vector<NamedFigure>& figures);

// Both lists in one, sorted by distance, largest first.
std::vector<Shortfall> merged(std::vector<Shortfall> a, const std::vector<Shortfall>& b);

// The statistics whose ratio generated / record lies outside the stated range; a statistic whose
// record value is not above 0 has no ratio and is left out. Sorted as above.
std::vector<Shortfall> ratio_shortfalls(const stats::SeriesStatistics& generated,
                                        const stats::SeriesStatistics& record);

}  // namespace raingen::report
