#include "report/compared_run.h"

#include <fmt/format.h>

#include "common/program_files.h"

namespace raingen::report {

GeneratedRun read_compared_run(const std::filesystem::path& dir, calendar::TimePoint day_one,
                               const std::filesystem::path& results) {
  return read_generated_run(dir, day_one, compared_series_name, results);
}

std::vector<std::pair<std::string, std::string>> compared_run_rows(const GeneratedRun& run) {
  const auto& st = run.settings.stations;
  return {
      {"compared run (--compare)", run.dir.string()},
      {"its results file", run.results_path.string()},
      {"its site and days",
       fmt::format("{}, {} days", run.settings.site_name, run.generated.size() / calendar::intervals_per_day)},
      {"its stations (distance)", fmt::format("{} ({}), {} ({}), {} ({})", st[0].id, st[0].distance, st[1].id,
                                              st[1].distance, st[2].id, st[2].distance)},
  };
}

std::vector<std::string> compared_run_warnings(const GeneratedRun& run) {
  for (const stations::StationSetting& s : run.settings.stations)
    if (s.distance == 0) return {};
  return {
      fmt::format("{} puts no station at the site (distance 0): {} is the weighting of three station series, not "
                  "the series of a site station",
                  (run.dir / common::settings_file_name).string(), compared_series_name)};
}

}  // namespace raingen::report
