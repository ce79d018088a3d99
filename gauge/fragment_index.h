// The wet steps of the fragment gauges at a record's step and time of day, filed by the states of
// the steps around them and by their day of the year, so that the candidates of a window are
// found without a pass over all of them.
#pragma once

#include <array>
#include <vector>

#include "calendar/time_point.h"
#include "gauge/fragments.h"

namespace raingen::gauge {

class FragmentIndex {
 public:
  // The steps of every gauge ending phase_minutes after midnight (modulo step) and whole within
  // its series; a step is a candidate when all its intervals are present and it is wet.
  FragmentIndex(const std::vector<FragmentGauge>& gauges, calendar::Minutes step, int phase_minutes);

  // The candidates within window days of day_of_year (the whole year from 183 on) whose states
  // before and after are those given (unknown: any), into found (in no order that matters: the
  // choice ranks them by a key of their own).
  void within(int day_of_year, int window, StepState before, StepState after, std::vector<Candidate>& found) const;

  std::size_t size() const { return all_.size(); }
  const Candidate& operator[](std::size_t k) const { return all_[k]; }

 private:
  static std::size_t group(StepState before, StepState after) {
    return static_cast<std::size_t>(before) * 3 + static_cast<std::size_t>(after);
  }
  std::vector<Candidate> all_;
  // By group (before x after) and day of the year: indexes into all_.
  std::array<std::array<std::vector<std::size_t>, 366>, 9> filed_;
};

// The state of the step of n intervals from first (a signed index into series).
StepState state_of(const CalendarSeries& series, std::int64_t first, std::int64_t n);

}  // namespace raingen::gauge
