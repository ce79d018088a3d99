#include "stations/fragment_gauges.h"

#include <algorithm>
#include <filesystem>

#include <fmt/format.h>

#include "common/gauge_arguments.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/interval_sums.h"

namespace raingen::stations {

namespace {

using common::UsageError;

// The values of line.reading given for one fragment gauge ("ID:VALUE") taken out and handed to it.
void take_fragment_reading(std::vector<common::GaugeArgument>& gauges, gauge::ReadingValues& reading) {
  for (std::size_t k = 0; k < reading.size(); ++k) {
    std::vector<std::string> kept, taken;
    for (const std::string& value : reading[k]) {
      const std::size_t colon = value.find(':');
      const bool theirs = colon != std::string::npos && std::any_of(gauges.begin(), gauges.end(), [&](const auto& g) {
                            return value.compare(0, colon, g.id) == 0 && g.id.size() == colon;
                          });
      (theirs ? taken : kept).push_back(value);
    }
    reading[k] = std::move(kept);
    common::distribute_reading_option(gauges, gauge::reading_options[k].name, taken);
  }
}

gauge::FragmentRules rules_of(const PrepareCommandLine& line) {
  if (line.fragments_k < 0 || line.fragments_k > 1000)
    throw UsageError(fmt::format("--fragments-k {}: give 1 to 1000, or 0 for the square root of the candidates",
                                 line.fragments_k));
  if (line.fragments_window < 1 || line.fragments_window > 183)
    throw UsageError(fmt::format("--fragments-window {}: give 1 to 183 days", line.fragments_window));
  return {.neighbours = line.fragments_k, .window_days = line.fragments_window, .least_candidates = 5,
          .seed = line.seed};
}

void check_clocks(const PrepareCommandLine& line, const std::vector<common::GaugeArgument>& gauges) {
  if (!line.given.count("--fragments-utc-offset") || !line.given.count("--utc-offset")) return;
  const auto theirs = calendar::UtcOffset::given(line.fragments_utc_offset, "--fragments-utc-offset");
  const auto ours = calendar::UtcOffset::given(line.utc_offset, "--utc-offset");
  if (!(theirs == ours))
    throw UsageError(gauges.front().path,
                     fmt::format("the fragment gauges kept UTC{} and the records UTC{}: a step's fragments must come "
                                 "from the same hours of the day (give records on one clock)",
                                 theirs.text(), ours.text()));
}

}  // namespace

std::optional<gauge::FragmentSource> fragment_source_of(PrepareCommandLine& line) {
  if (line.fragments_from.empty()) {
    for (const char* option : {"--fragments-k", "--fragments-window", "--fragments-utc-offset", "--seed", "--hold-out",
                               "--hold-out-step"})
      if (line.given.count(option))
        throw UsageError(fmt::format("{} shapes how a coarse record is made 15-minute: give --fragments-from ID=FILE",
                                     option));
    return std::nullopt;
  }
  std::vector<std::string> texts = line.fragments_from;
  std::vector<common::GaugeArgument> gauges = common::parse_gauge_arguments(texts);
  take_fragment_reading(gauges, line.reading);
  check_clocks(line, gauges);
  gauge::FragmentSource source{.gauges = {}, .rules = rules_of(line)};
  for (const common::GaugeArgument& g : gauges) {
    gauge::ReadOptions read = gauge::gauge_read_options(g.id, g.options);
    read.depth_limit = common::depth_limit_mm;
    source.gauges.push_back({g.id, g.path, gauge::read_gauge(g.path, read)});
  }
  return source;
}

FactLines fragment_facts(const gauge::FragmentSource* source, const gauge::ReadFacts& facts) {
  if (!source || !facts.fragments) return {};
  std::string gauges;
  for (const gauge::FragmentGauge& g : source->gauges) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(g.path, error);
    gauges += fmt::format("{}{}={}", gauges.empty() ? "" : ", ", g.id, error ? g.path : path.string());
  }
  const gauge::FragmentRules& r = source->rules;
  const std::string k = r.neighbours > 0 ? std::to_string(r.neighbours) : "square root of the candidates";
  return {{"fragments", gauges},
          {"fragments_method",
           fmt::format("k nearest by depth at the {}-minute step, k {}, window {} days, states before and after, seed {}",
                       facts.fragments->step_minutes, k, r.window_days, r.seed)},
          {"fragments_result", fragment_result_text(*facts.fragments)}};
}

std::string fragment_result_text(const gauge::FragmentFacts& f) {
  std::string from;
  for (std::size_t g = 0; g < f.gauges.size(); ++g) from += fmt::format("{}{} {}", g ? ", " : "", f.gauges[g], f.from_gauge[g]);
  return fmt::format("{} wet {}-minute steps from fragments ({}); {} in a wider window; {} deeper than every candidate",
                     f.wet_steps, f.step_minutes, from, f.widened, f.deeper_than_candidates);
}

}  // namespace raingen::stations
