// A coarse record made 15-minute by the method of fragments with k nearest neighbours: each wet
// step of the record takes the within-step pattern (its fragments) of a wet step of a finer gauge
// nearby, at the same step and the same time of day, chosen among the k whose depth is nearest,
// within a window of days of the year around it, whose steps before and after are wet or dry as
// the record's are. The record's depth is then shared out over the step's intervals in
// proportion to the pattern, in whole 0.01 mm, so that they add up to it exactly.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "gauge/calendar_series.h"
#include "gauge/coarse_record.h"

namespace raingen::gauge {

struct FragmentGauge {
  std::string id;
  std::string path;
  CalendarSeries series;                                     // 15-minute depths
  std::vector<std::pair<std::string, std::string>> reading;  // the reading options it was read with
};

struct FragmentRules {
  int neighbours = 0;        // k; 0: the square root of the candidates, rounded (at least 1)
  int window_days = 15;      // the candidates lie within this many days of the year, either side
  int least_candidates = 5;  // fewer in the window widen it (twice as wide, up to the whole year)
  std::uint64_t seed = 1;    // the choice among the k is drawn from this seed alone
};

struct FragmentSource {
  std::vector<FragmentGauge> gauges;
  FragmentRules rules;
};

// What making a record 15-minute did, for the summary and the run's facts.
struct FragmentFacts {
  int step_minutes = 0;
  long wet_steps = 0;               // steps made from fragments
  std::vector<std::string> gauges;  // the fragment gauges' ids, in order
  std::vector<long> from_gauge;     // of the wet steps, how many from each fragment gauge
  long widened = 0;                 // needed a window wider than the rules' window
  long deeper_than_candidates = 0;  // deeper than every candidate: its pattern scaled up to it
};

// The 15-minute series of the coarse record, named as it is: dry steps dry, missing steps missing,
// wet steps from fragments. Depths are the record's rounded to 0.01 mm as their decimals round.
// Throws ToolError naming the record's file and line when the fragment gauges hold too few wet
// steps of a kind even over the whole year, or a made depth reaches depth_limit.
CalendarSeries make_fine(const CoarseRecord& record, const FragmentSource& source, double depth_limit,
                         FragmentFacts& facts);

// total (in whole units) shared out in proportion to pattern (whole units, not all zero): each
// share rounded down, then the units left over one each to the largest remainders (the earlier
// of equal ones first). The shares add up to total.
std::vector<std::int64_t> share_out(std::int64_t total, std::span<const std::int64_t> pattern);

// The state of a step: dry, wet, or unknown (missing, or beyond the record).
enum class StepState : std::uint8_t { dry, wet, unknown };

// A wet step of a fragment gauge that may lend its pattern.
struct Candidate {
  std::size_t id = 0;  // its number among all the candidates of the gauges
  std::size_t gauge = 0;
  std::size_t first = 0;   // its first interval in the gauge's series
  std::int64_t total = 0;  // 0.01 mm
  int day_of_year = 0;     // 0-365, in a leap year's calendar (29 February is 59)
  StepState before = StepState::unknown, after = StepState::unknown;
};

// The day of the year (0-365, 29 February 59) and the distance between two, around the year.
int leap_day_of_year(calendar::Day day);
int days_apart(int a, int b);

// Which candidate is taken for a wet step of depth total (0.01 mm) on day_of_year: the candidates
// (already those of its window and its states) ranked by how near their depth is, then by how
// near their day of the year, then by tie(candidate) (make_fine draws it from the seed and the
// step, so that no gauge is preferred among equals), then in the order given; the first k kept,
// and one drawn with weight 1/rank from u in [0, 1). Returns its index in candidates.
std::size_t choose_neighbour(std::span<const Candidate> candidates, std::int64_t total, int day_of_year, int neighbours,
                             double u, std::uint64_t (*tie)(const Candidate&, std::uint64_t) = nullptr,
                             std::uint64_t tie_seed = 0);

}  // namespace raingen::gauge
