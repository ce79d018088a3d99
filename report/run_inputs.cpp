#include "report/run_inputs.h"

#include <fmt/format.h>

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
    if (settings.stations[s].id == id) return static_cast<int>(s);
  throw tools::UsageError(fmt::format("--gauge {}: no station of {} has this ID (its stations: {}, {}, {})", id,
                                      input.string(), settings.stations[0].id, settings.stations[1].id,
                                      settings.stations[2].id));
}

}  // namespace

RunInputs read_run_inputs(const std::filesystem::path& dir, const std::vector<tools::GaugeArgument>& gauges,
                          date::sys_days day_one) {
  RunInputs in;
  in.dir = dir;
  const std::filesystem::path input = dir / "INPUT.TXT";
  in.settings = stations::read_settings(input);
  // Each gauge is checked against the stations before any record is read: a mistyped ID costs
  // no reading time.
  std::vector<int> station(gauges.size());
  for (std::size_t g = 0; g < gauges.size(); ++g) station[g] = station_of(in.settings, gauges[g].id, input);
  std::vector<gauge::ReadOptions> options;
  for (const tools::GaugeArgument& g : gauges) options.push_back(gauge::gauge_read_options(g.id, g.options));

  in.results_path = dir / in.settings.results_name;
  in.generated = results::read_results_series(in.results_path.string(), gauge::TimePoint{day_one});
  in.generated.rename("generated");
  const std::size_t days = in.generated.size() / gauge::intervals_per_day;
  if (days != static_cast<std::size_t>(std::max(in.settings.day_count, 0)))
    throw tools::ToolError(in.results_path.string(), 0,
                           fmt::format("holds {} days, but {} asks for {}: the results are not from these settings",
                                       days, input.string(), in.settings.day_count));

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
