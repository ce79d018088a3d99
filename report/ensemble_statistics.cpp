#include "report/ensemble_statistics.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"
#include "run_directory/run_directory.h"
#include "report/realization_pipeline.h"

namespace raingen::report {
namespace fs = std::filesystem;
using common::ToolError;

namespace {

std::vector<double> values_of(const EnsembleStatistics& ensemble, int minutes, stats::Statistic statistic) {
  std::vector<double> values;
  for (const stats::SeriesStatistics& s : ensemble.complete)
    if (const auto v = s.level(minutes).value(statistic)) values.push_back(*v);
  std::sort(values.begin(), values.end());
  return values;
}

}  // namespace

EnsembleStatistics read_ensemble_statistics(const fs::path& file, const fs::path& dir, calendar::TimePoint day_one,
                                            const stats::StatisticsOptions& options, int jobs,
                                            const std::optional<stats::SeasonGrouping>& seasons) {
  const ensemble_file::EnsembleReader reader(file);
  const ensemble_file::EnsembleLayout& layout = reader.layout();
  const run_directory::RunFolders run = run_directory::read_run_folders(dir);
  if (layout.checksum != run.checksum)
    throw ToolError(file.string(), 0,
                    fmt::format("was not made from the inputs of {} (raingen_inputs_checksum {}, theirs {})",
                                (dir / common::settings_file_name).string(), layout.checksum, run.checksum));
  if (layout.start != day_one)
    throw ToolError(file.string(), 0,
                    fmt::format("its day 1 begins at {}, but the report's --start is {}: give the same",
                                calendar::minute_text(layout.start), calendar::minute_text(day_one)));

  EnsembleStatistics ensemble;
  ensemble.file = file;
  ensemble.realizations = layout.realizations;
  for (long k = 0; k < layout.realizations; ++k) {
    if (k == 0) ensemble.first_seed = reader.seed(k);
    ensemble.last_seed = reader.seed(k);
    if (!reader.complete(k)) ensemble.failed.push_back(k + 1);
  }
  std::vector<std::optional<stats::SeriesStatistics>> found(static_cast<std::size_t>(layout.realizations));
  std::vector<stats::CalendarFigures> calendar(seasons ? found.size() : 0);
  for_each_realization(reader, jobs, [&](long k, std::span<const float> depths) {
    std::vector<double> table(depths.size());
    std::transform(depths.begin(), depths.end(), table.begin(),
                   [](float depth) { return std::nearbyint(static_cast<double>(depth) * 1000.0) / 1000.0; });
    const gauge::CalendarSeries series(fmt::format("realization:{}", k + 1), day_one, std::move(table));
    stats::SeriesStatistics statistics = stats::compute_statistics(series, options);
    if (seasons)
      calendar[static_cast<std::size_t>(k)] = stats::calendar_figures(statistics, *seasons, options.dry_threshold);
    for (stats::LevelStatistics& level : statistics.levels) level.blocks = {};
    found[static_cast<std::size_t>(k)] = std::move(statistics);
  });
  for (std::size_t k = 0; k < found.size(); ++k)
    if (found[k]) {
      ensemble.complete.push_back(std::move(*found[k]));
      if (seasons) ensemble.calendar.push_back(std::move(calendar[k]));
    }
  return ensemble;
}

std::optional<Spread> spread_of(const EnsembleStatistics& ensemble, int minutes, stats::Statistic statistic) {
  const std::vector<double> values = values_of(ensemble, minutes, statistic);
  if (values.empty()) return std::nullopt;
  return Spread{values.size(),         quantile(values, 0.05), quantile(values, 0.25),
                quantile(values, 0.5), quantile(values, 0.75), quantile(values, 0.95)};
}

std::optional<double> share_below(const std::vector<double>& sorted, double value, double resolution,
                                  std::optional<double> tie) {
  if (sorted.empty()) return std::nullopt;
  if (resolution > 0) value = std::round(value / resolution) * resolution;
  const double window = tie.value_or(resolution / 2);
  const auto low = std::lower_bound(sorted.begin(), sorted.end(), value - window);
  const auto high = std::upper_bound(sorted.begin(), sorted.end(), value + window);
  const double below = static_cast<double>(low - sorted.begin()) + 0.5 * static_cast<double>(high - low);
  return below / static_cast<double>(sorted.size());
}

std::optional<double> share_below(const EnsembleStatistics& ensemble, int minutes, stats::Statistic statistic,
                                  double value) {
  return share_below(values_of(ensemble, minutes, statistic), value);
}

}  // namespace raingen::report
