#include "report/run_inputs.h"

#include <fmt/format.h>

#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/read_options.h"
#include "results/results_series.h"

namespace raingen::report {

std::array<const gauge::CalendarSeries*, 3> RunInputs::station_records() const {
  std::array<const gauge::CalendarSeries*, 3> found{};
  for (const GaugeRecord& r : records) found[static_cast<std::size_t>(r.station)] = &r.series;
  return found;
}

namespace {

int station_of(const stations::Settings& settings, const std::string& id, const std::filesystem::path& input) {
  for (std::size_t s = 0; s < settings.stations.size(); ++s)
    if (settings.stations[s].id.text() == id) return static_cast<int>(s);
  throw common::UsageError(fmt::format("--gauge {}: no station of {} has this ID (its stations: {}, {}, {})", id,
                                      input.string(), settings.stations[0].id, settings.stations[1].id,
                                      settings.stations[2].id));
}

}  // namespace

GeneratedRun read_generated_run(const std::filesystem::path& dir, calendar::TimePoint day_one, const std::string& name) {
  return read_generated_run(dir, stations::read_settings(dir / common::settings_file_name), day_one, name);
}

GeneratedRun read_generated_run(const std::filesystem::path& dir, const stations::Settings& settings,
                                calendar::TimePoint day_one, const std::string& name) {
  GeneratedRun run;
  run.dir = dir;
  const std::filesystem::path input = dir / common::settings_file_name;
  run.settings = settings;
  run.results_path = dir / run.settings.results_name;
  run.generated = results::read_results_series(run.results_path.string(), day_one);
  run.generated.rename(name);
  const std::size_t days = run.generated.size() / calendar::intervals_per_day;
  if (days != static_cast<std::size_t>(std::max(run.settings.day_count, 0)))
    throw common::ToolError(run.results_path.string(), 0,
                           fmt::format("holds {} days, but {} asks for {}: the results are not from these settings",
                                       days, input.string(), run.settings.day_count));
  return run;
}

RunInputs read_run_inputs(const std::filesystem::path& dir, const std::vector<common::GaugeArgument>& gauges,
                          calendar::TimePoint day_one) {
  return read_run_inputs(dir, stations::read_settings(dir / common::settings_file_name), gauges, day_one);
}

RunInputs read_run_inputs(const std::filesystem::path& dir, const stations::Settings& settings,
                          const std::vector<common::GaugeArgument>& gauges, calendar::TimePoint day_one) {
  RunInputs in;
  in.dir = dir;
  const std::filesystem::path input = dir / common::settings_file_name;
  in.settings = settings;
  // Each gauge is checked against the stations before any record is read: a mistyped ID costs
  // no reading time.
  std::vector<int> station(gauges.size());
  for (std::size_t g = 0; g < gauges.size(); ++g) station[g] = station_of(in.settings, gauges[g].id, input);
  std::vector<gauge::ReadOptions> options;
  for (const common::GaugeArgument& g : gauges) options.push_back(gauge::gauge_read_options(g.id, g.options));

  static_cast<GeneratedRun&>(in) = read_generated_run(dir, settings, day_one, "generated");

  for (std::size_t g = 0; g < gauges.size(); ++g) {
    GaugeRecord r;
    r.argument = gauges[g];
    r.station = station[g];
    r.series = gauge::read_gauge(gauges[g].path, options[g], &r.facts);
    r.series.rename("record:" + gauges[g].id);
    in.records.push_back(std::move(r));
  }
  return in;
}

}  // namespace raingen::report
