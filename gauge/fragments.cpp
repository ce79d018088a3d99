#include "gauge/fragments.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/tool_error.h"
#include "gauge/decimal_depth.h"
#include "gauge/fragment_index.h"
#include "gauge/interval_sums.h"

namespace raingen::gauge {

namespace {

// A coarse depth at or above this (mm) is taken for a mistyped value, not shared out.
constexpr double largest_coarse_depth_mm = 100000;

std::string_view state_name(StepState s) {
  return s == StepState::dry ? "dry" : s == StepState::wet ? "wet" : "unknown";
}

// The candidates of a wet step: its window widened until it holds the least the rules ask for.
// Throws ToolError naming the record's line when the whole year holds fewer.
std::vector<Candidate> candidates_of(const CoarseRecord& record, std::size_t k, const FragmentIndex& index,
                                     const FragmentRules& rules, int day, StepState before, StepState after,
                                     bool& widened) {
  const auto least = static_cast<std::size_t>(std::max(rules.least_candidates, rules.neighbours));
  for (int window = rules.window_days;; window = std::min(2 * window, 183)) {
    std::vector<Candidate> found = index.within(day, window, before, after);
    if (found.size() >= least) {
      widened = window > rules.window_days;
      return found;
    }
    if (window >= 183)
      throw common::ToolError(
          record.path, record.lines[k],
          fmt::format("the fragment gauges hold {} wet {}-minute steps with a {} step before and a {} step after in "
                      "the whole year, and {} are needed: give longer or more fragment gauges",
                      found.size(), record.step.count(), state_name(before), state_name(after), least));
  }
}

StepState state_at(const CoarseRecord& record, std::int64_t k) {
  if (k < 0 || k >= static_cast<std::int64_t>(record.values.size())) return StepState::unknown;
  const double v = record.values[static_cast<std::size_t>(k)];
  if (std::isnan(v)) return StepState::unknown;
  return hundredths_of(v).value_or(0) > 0 ? StepState::wet : StepState::dry;
}

// Uniform in [0, 1) from the engine's 53 high bits: the same on every platform.
double uniform(std::mt19937_64& engine) { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }

// Fisher-Yates from the engine's own draws (std::shuffle's are not the same on every platform).
void shuffle(std::vector<Candidate>& candidates, std::mt19937_64& engine) {
  for (std::size_t k = candidates.size(); k > 1; --k)
    std::swap(candidates[k - 1], candidates[static_cast<std::size_t>(uniform(engine) * static_cast<double>(k))]);
}

}  // namespace

std::vector<std::int64_t> share_out(std::int64_t total, std::span<const std::int64_t> pattern) {
  const std::int64_t sum = std::accumulate(pattern.begin(), pattern.end(), std::int64_t{0});
  std::vector<std::int64_t> shares(pattern.size());
  std::vector<std::int64_t> remainder(pattern.size());
  std::int64_t given = 0;
  for (std::size_t j = 0; j < pattern.size(); ++j) {
    shares[j] = total * pattern[j] / sum;
    remainder[j] = total * pattern[j] % sum;
    given += shares[j];
  }
  std::vector<std::size_t> order(pattern.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return remainder[a] > remainder[b]; });
  for (std::size_t j = 0; given < total; ++j, ++given) ++shares[order[j]];
  return shares;
}

std::size_t choose_neighbour(std::span<const Candidate> candidates, std::int64_t total, int day_of_year, int neighbours,
                             double u) {
  std::vector<std::size_t> order(candidates.size());
  std::iota(order.begin(), order.end(), 0);
  const auto distance = [&](std::size_t c) {
    const std::int64_t d = candidates[c].total - total;
    return std::pair(d < 0 ? -d : d, days_apart(candidates[c].day_of_year, day_of_year));
  };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return distance(a) < distance(b); });
  const std::size_t k =
      neighbours > 0 ? std::min<std::size_t>(static_cast<std::size_t>(neighbours), order.size())
                     : std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(std::sqrt(order.size()))));
  double weights = 0;
  for (std::size_t j = 1; j <= k; ++j) weights += 1.0 / static_cast<double>(j);
  double reach = u * weights;
  for (std::size_t j = 1; j < k; ++j) {
    reach -= 1.0 / static_cast<double>(j);
    if (reach < 0) return order[j - 1];
  }
  return order[k - 1];
}

CalendarSeries make_fine(const CoarseRecord& record, const FragmentSource& source, double depth_limit,
                         FragmentFacts& facts) {
  const std::int64_t n = record.step.count() / calendar::minutes_per_interval;
  const int phase = static_cast<int>(calendar::minute_number(record.first_end) % record.step.count());
  const FragmentIndex index(source.gauges, record.step, (phase + record.step.count()) % record.step.count());
  facts = FragmentFacts{};
  facts.step_minutes = static_cast<int>(record.step.count());
  facts.from_gauge.assign(source.gauges.size(), 0);
  for (const FragmentGauge& g : source.gauges) facts.gauges.push_back(g.id);
  std::mt19937_64 engine(source.rules.seed);
  CalendarSeries fine(record.name, record.first_end - record.step, record.values.size() * static_cast<std::size_t>(n));
  std::vector<std::int64_t> pattern(static_cast<std::size_t>(n));
  for (std::size_t k = 0; k < record.values.size(); ++k) {
    const double value = record.values[k];
    if (std::isnan(value)) continue;
    if (!(std::fabs(value) < largest_coarse_depth_mm))
      throw common::ToolError(record.path, record.lines[k],
                              fmt::format("a depth of {} mm in one step is too large to be made 15-minute", value));
    if (value < 0) throw common::ToolError(record.path, record.lines[k], fmt::format("depth {} mm is negative", value));
    const std::int64_t total = hundredths_of(value).value_or(0);
    const std::size_t first = k * static_cast<std::size_t>(n);
    if (total == 0) {
      for (std::int64_t j = 0; j < n; ++j) fine.set_depth(first + static_cast<std::size_t>(j), 0);
      continue;
    }
    const calendar::TimePoint middle = record.first_end + static_cast<long>(k) * record.step - record.step / 2;
    bool widened = false;
    const int day = leap_day_of_year(calendar::day_of(middle));
    std::vector<Candidate> candidates =
        candidates_of(record, k, index, source.rules, day, state_at(record, static_cast<std::int64_t>(k) - 1),
                      state_at(record, static_cast<std::int64_t>(k) + 1), widened);
    shuffle(candidates, engine);
    const Candidate& chosen =
        candidates[choose_neighbour(candidates, total, day, source.rules.neighbours, uniform(engine))];
    const CalendarSeries& lender = source.gauges[chosen.gauge].series;
    for (std::int64_t j = 0; j < n; ++j)
      pattern[static_cast<std::size_t>(j)] = *hundredths_of(lender.depth(chosen.first + static_cast<std::size_t>(j)));
    const std::vector<std::int64_t> shares = share_out(total, pattern);
    for (std::int64_t j = 0; j < n; ++j) {
      const double mm = static_cast<double>(shares[static_cast<std::size_t>(j)]) / 100;
      const std::size_t at = first + static_cast<std::size_t>(j);
      check_interval_depth(record.path, record.lines[k], calendar::interval_beginning(fine.interval_start(at)), mm,
                           depth_limit);
      fine.set_depth(at, mm);
    }
    ++facts.wet_steps;
    ++facts.from_gauge[chosen.gauge];
    if (widened) ++facts.widened;
    if (std::all_of(candidates.begin(), candidates.end(), [&](const Candidate& c) { return c.total < total; }))
      ++facts.deeper_than_candidates;
  }
  return fine;
}

}  // namespace raingen::gauge
