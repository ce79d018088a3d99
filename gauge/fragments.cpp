#include "gauge/fragments.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>
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
void candidates_of(const CoarseRecord& record, std::size_t k, const FragmentIndex& index, const FragmentRules& rules,
                   int day, StepState before, StepState after, bool& widened, std::vector<Candidate>& found) {
  const auto least = static_cast<std::size_t>(std::max({1, rules.least_candidates, rules.neighbours}));
  for (int window = rules.window_days;; window = std::min(2 * window, 183)) {
    index.within(day, window, before, after, found);
    if (found.size() >= least) {
      widened = window > rules.window_days;
      return;
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

// A number drawn from the seed, the step and the candidate alone (splitmix64's finaliser): the
// order of equally near candidates.
std::uint64_t drawn_tie(const Candidate& c, std::uint64_t step_seed) {
  std::uint64_t z = step_seed ^ (static_cast<std::uint64_t>(c.id) * 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
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
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return remainder[a] > remainder[b]; });
  for (std::size_t j = 0; given < total; ++j, ++given) ++shares[order[j]];
  return shares;
}

std::size_t choose_neighbour(std::span<const Candidate> candidates, std::int64_t total, int day_of_year, int neighbours,
                             double u, std::uint64_t (*tie)(const Candidate&, std::uint64_t), std::uint64_t tie_seed) {
  struct Ranked {
    std::int64_t depth_apart;
    int days;
    std::uint64_t tie;
    std::size_t at;
    bool operator<(const Ranked& o) const {
      return std::tie(depth_apart, days, tie, at) < std::tie(o.depth_apart, o.days, o.tie, o.at);
    }
  };
  std::vector<Ranked> ranked;
  ranked.reserve(candidates.size());
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    const std::int64_t d = candidates[c].total - total;
    ranked.push_back({d < 0 ? -d : d, days_apart(candidates[c].day_of_year, day_of_year),
                      tie ? tie(candidates[c], tie_seed) : 0, c});
  }
  const std::size_t k = neighbours > 0
                            ? std::min<std::size_t>(static_cast<std::size_t>(neighbours), ranked.size())
                            : std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(std::sqrt(ranked.size()))));
  std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(k), ranked.end());
  double weights = 0;
  for (std::size_t j = 1; j <= k; ++j) weights += 1.0 / static_cast<double>(j);
  double reach = u * weights;
  for (std::size_t j = 1; j < k; ++j) {
    reach -= 1.0 / static_cast<double>(j);
    if (reach < 0) return ranked[j - 1].at;
  }
  return ranked[k - 1].at;
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
  std::vector<Candidate> candidates;
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
    candidates_of(record, k, index, source.rules, day, state_at(record, static_cast<std::int64_t>(k) - 1),
                  state_at(record, static_cast<std::int64_t>(k) + 1), widened, candidates);
    const Candidate& chosen = candidates[choose_neighbour(candidates, total, day, source.rules.neighbours,
                                                          uniform(engine), drawn_tie, engine())];
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
