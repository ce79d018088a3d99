#include "stations/fragment_gauges.h"

#include <algorithm>
#include <filesystem>
#include <limits>

#include <fmt/format.h>

#include "common/gauge_arguments.h"
#include "common/numbers.h"
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
    throw UsageError(
        fmt::format("--fragments-k {}: give 1 to 1000, or 0 for the square root of the candidates", line.fragments_k));
  if (line.fragments_window < 1 || line.fragments_window > 183)
    throw UsageError(fmt::format("--fragments-window {}: give 1 to 183 days", line.fragments_window));
  return {
      .neighbours = line.fragments_k, .window_days = line.fragments_window, .least_candidates = 5, .seed = line.seed};
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

void read_gauges(const std::vector<common::GaugeArgument>& gauges, gauge::FragmentSource& source) {
  for (const common::GaugeArgument& g : gauges) {
    gauge::ReadOptions read = gauge::gauge_read_options(g.id, g.options);
    read.depth_limit = common::depth_limit_mm;
    source.gauges.push_back({g.id, g.path, gauge::read_gauge(g.path, read), g.options});
  }
}

}  // namespace

std::optional<gauge::FragmentSource> fragment_source_of(PrepareCommandLine& line) {
  if (line.fragments_from.empty()) {
    for (const char* option :
         {"--fragments-k", "--fragments-window", "--fragments-utc-offset", "--seed", "--hold-out", "--hold-out-step"})
      if (line.given.count(option))
        throw UsageError(
            fmt::format("{} shapes how a coarse record is made 15-minute: give --fragments-from ID=FILE", option));
    return std::nullopt;
  }
  if (line.given.count("--hold-out-step") && !line.given.count("--hold-out"))
    throw UsageError("--hold-out-step is the step of --hold-out ID: give it with --hold-out");
  if (line.given.count("--hold-out")) check_hold_out_alone(line);
  std::vector<std::string> texts = line.fragments_from;
  std::vector<common::GaugeArgument> gauges = common::parse_gauge_arguments(texts);
  take_fragment_reading(gauges, line.reading);
  check_clocks(line, gauges);
  gauge::FragmentSource source{.gauges = {}, .rules = rules_of(line)};
  read_gauges(gauges, source);
  return source;
}

FactLines fragment_facts(const gauge::FragmentSource* source, const gauge::ReadFacts& facts) {
  if (!source || !facts.fragments) return {};
  FactLines lines;
  for (const gauge::FragmentGauge& g : source->gauges) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(g.path, error);
    lines.emplace_back("fragment", g.id + "=" + (error ? g.path : path.string()));
    for (const auto& [name, value] : g.reading) lines.emplace_back("fragment_reading", g.id + ":" + name + "=" + value);
  }
  const gauge::FragmentRules& r = source->rules;
  lines.emplace_back("fragments_k", std::to_string(r.neighbours));
  lines.emplace_back("fragments_window", std::to_string(r.window_days));
  lines.emplace_back("fragments_seed", std::to_string(r.seed));
  lines.emplace_back("fragments_result", fragment_result_text(*facts.fragments));
  return lines;
}

namespace {

// The number of a fragments_ line of a station's section, or a ToolError naming file.
long fact_number(const std::string& file, const std::string& key, const std::string& value, long low, long high) {
  const auto number = common::parse_integer(value);
  if (!number || *number < low || *number > high)
    throw common::ToolError(file, 0, fmt::format("{} = {}: not a whole number from {} to {}", key, value, low, high));
  return *number;
}

}  // namespace

std::optional<gauge::FragmentSource> fragment_source_from_facts(const FactLines& other, const std::string& file) {
  std::vector<common::GaugeArgument> gauges;
  gauge::FragmentSource source;
  for (const auto& line : other) {
    const std::string &key = line.first, &value = line.second;
    if (key == "fragment") {
      const std::size_t equals = value.find('=');
      if (equals == std::string::npos || equals == 0)
        throw common::ToolError(file, 0, fmt::format("fragment = {}: not ID=PATH", value));
      gauges.push_back({value.substr(0, equals), value.substr(equals + 1), {}});
    } else if (key == "fragment_reading") {
      const std::size_t colon = value.find(':'), equals = value.find('=', colon == std::string::npos ? 0 : colon);
      auto g = std::find_if(gauges.begin(), gauges.end(),
                            [&](const auto& a) { return value.compare(0, colon, a.id) == 0 && a.id.size() == colon; });
      if (colon == std::string::npos || equals == std::string::npos || g == gauges.end())
        throw common::ToolError(file, 0,
                                fmt::format("fragment_reading = {}: not ID:NAME=VALUE of a fragment above", value));
      g->options.emplace_back(value.substr(colon + 1, equals - colon - 1), value.substr(equals + 1));
    } else if (key == "fragments_k") {
      source.rules.neighbours = static_cast<int>(fact_number(file, key, value, 0, 1000));
    } else if (key == "fragments_window") {
      source.rules.window_days = static_cast<int>(fact_number(file, key, value, 1, 183));
    } else if (key == "fragments_seed") {
      source.rules.seed =
          static_cast<std::uint64_t>(fact_number(file, key, value, 0, std::numeric_limits<long>::max()));
    }
  }
  if (gauges.empty()) return std::nullopt;
  read_gauges(gauges, source);
  return source;
}

std::string fragment_result_text(const gauge::FragmentFacts& f) {
  std::string from;
  for (std::size_t g = 0; g < f.gauges.size(); ++g)
    from += fmt::format("{}{} {}", g ? ", " : "", f.gauges[g], f.from_gauge[g]);
  return fmt::format("{} wet {}-minute steps from fragments ({}); {} in a wider window; {} deeper than every candidate",
                     f.wet_steps, f.step_minutes, from, f.widened, f.deeper_than_candidates);
}

void check_hold_out_alone(const PrepareCommandLine& line) {
  if (!line.id.empty() || !line.record.empty())
    throw UsageError(
        "--hold-out compares a fragment gauge made again with its record and writes nothing: no --id or RECORD");
  for (const char* option :
       {"--site", "--weighted-site", "--network", "--gauge", "--station", "--seasons", "--change", "--tail"})
    if (line.given.count(option))
      throw UsageError(
          fmt::format("--hold-out compares a fragment gauge made again with its record and writes "
                      "nothing: it does not take {}",
                      option));
}

gauge::CalendarSeries read_as_prepared(const common::GaugeArgument& g, gauge::ReadOptions options,
                                       const RunFacts& facts, const std::string& facts_file,
                                       gauge::ReadFacts* read_facts) {
  const std::optional<StationId> id = StationId::from(g.id);
  const StationFacts* station = id ? facts.station(*id) : nullptr;
  const std::optional<gauge::FragmentSource> fragments =
      station ? fragment_source_from_facts(station->other, facts_file) : std::nullopt;
  if (fragments) options.fragments = &*fragments;
  return gauge::read_gauge(g.path, options, read_facts);
}

}  // namespace raingen::stations
