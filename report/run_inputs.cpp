#include "report/run_inputs.h"

#include <fmt/format.h>

#include "common/program_files.h"
#include "common/tool_error.h"
#include "run_directory/run_directory.h"
#include "gauge/read_options.h"
#include "results/results_series.h"
#include "stations/fragment_gauges.h"
#include "stations/run_facts.h"

namespace raingen::report {

std::array<const gauge::CalendarSeries*, 3> RunInputs::station_records() const {
  std::array<const gauge::CalendarSeries*, 3> found{};
  for (const GaugeRecord& r : records) found[static_cast<std::size_t>(r.station)] = &r.series;
  return found;
}

namespace {

int station_of(const std::array<std::string, 3>& ids, const std::string& id, const std::filesystem::path& input) {
  for (std::size_t s = 0; s < ids.size(); ++s)
    if (ids[s] == id) return static_cast<int>(s);
  throw common::UsageError(fmt::format("--gauge {}: no station of {} has this ID (its stations: {}, {}, {})", id,
                                       input.string(), ids[0], ids[1], ids[2]));
}

// The settings of dir's runs and the seasons its RAINGEN.TXT declares: a run directory of seasons
// has no INPUT.TXT of its own, its season folders one each, alike.
void read_settings_of(const std::filesystem::path& dir, GeneratedRun& run) {
  if (const auto seasons = stations::read_run_facts(dir).seasons) {
    run.seasons = seasons->seasons;
    run.settings = run_directory::read_run_folders(dir).settings();
  } else {
    run.settings = stations::read_settings(dir / common::settings_file_name);
  }
}

}  // namespace

GeneratedRun read_generated_run(const std::filesystem::path& dir, calendar::TimePoint day_one, const std::string& name,
                                const std::filesystem::path& results) {
  GeneratedRun run;
  run.dir = dir;
  read_settings_of(dir, run);
  if (results.empty() && !run.seasons.empty())
    throw common::ToolError(
        (dir / stations::run_facts_file_name).string(), 0,
        fmt::format("this run directory has the seasons {}: its series are laid out along the calendar "
                    "by raingen-ensemble, and it has no results file of its own; give one of its "
                    "tables with --results and the ensemble's --start (raingen-ensemble --days N --keep DIR)",
                    stations::season_names(run.seasons)));
  run.results_path = results.empty() ? dir / run.settings.results_name : results;
  run.generated = results::read_results_series(run.results_path.string(), day_one);
  run.generated.rename(name);
  const std::size_t days = run.generated.size() / calendar::intervals_per_day;
  if (results.empty() && days != static_cast<std::size_t>(std::max(run.settings.day_count, 0)))
    throw common::ToolError(run.results_path.string(), 0,
                            fmt::format("holds {} days, but {} asks for {}: the results are not from these settings",
                                        days, (dir / common::settings_file_name).string(), run.settings.day_count));
  return run;
}

RunInputs read_run_inputs(const std::filesystem::path& dir, const std::vector<common::GaugeArgument>& gauges,
                          calendar::TimePoint day_one, const std::filesystem::path& results) {
  RunInputs in;
  in.dir = dir;
  const std::filesystem::path input = dir / common::settings_file_name;
  read_settings_of(dir, in);
  for (std::size_t s = 0; s < 3; ++s) {
    in.weighted_ids[s] = in.settings.stations[s].id.text();
    in.distances[s] = in.settings.stations[s].distance;
  }
  std::vector<common::GaugeArgument> given = gauges;
  if (given.empty()) {
    in.site = site_reference(dir, in.settings);
    if (!in.site)
      throw common::UsageError(
          fmt::format("--gauge: none given, and {} records no site station of {} made of gauges (raingen-prepare "
                      "--weighted-site): give --gauge ID=FILE for the stations",
                      (dir / stations::run_facts_file_name).string(), input.string()));
    given = in.site->gauges;
    for (std::size_t s = 0; s < 3; ++s) in.weighted_ids[s] = given[s].id;
    in.distances = in.site->distances;
  }
  // Each gauge is checked against the stations before any record is read: a mistyped ID costs
  // no reading time.
  std::vector<int> station(given.size());
  for (std::size_t g = 0; g < given.size(); ++g) station[g] = station_of(in.weighted_ids, given[g].id, input);
  std::vector<gauge::ReadOptions> options;
  for (const common::GaugeArgument& g : given) options.push_back(gauge::gauge_read_options(g.id, g.options));
  // A station prepared from a coarse record is read as it was made: from the same fragments.
  const stations::RunFacts facts = stations::read_run_facts(dir);
  const std::string facts_file = (dir / stations::run_facts_file_name).string();

  static_cast<GeneratedRun&>(in) = read_generated_run(dir, day_one, "generated", results);

  for (std::size_t g = 0; g < given.size(); ++g) {
    GaugeRecord r;
    r.argument = given[g];
    r.station = station[g];
    r.series = stations::read_as_prepared(given[g], options[g], facts, facts_file, &r.facts);
    r.series.rename("record:" + given[g].id);
    in.records.push_back(std::move(r));
  }
  return in;
}

}  // namespace raingen::report
