// Readings of a fixed step summed into the 15-minute grid, for the readers of interval records.
// A reading covers the minutes (end - step, end]; a step that does not divide 15 minutes puts a
// reading that straddles a 15-minute boundary into both intervals, in proportion to the overlap.
// A 15-minute interval is present when readings cover all of it and none of them is missing.
// Sums are rounded to the 0.01 mm of the station files as their decimal values are
// (gauge/decimal_depth.h), and a sum of largest_held_depth_mm or more is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calendar/interval.h"
#include "gauge/calendar_series.h"

namespace raingen::gauge {

class IntervalSums {
 public:
  // path names the record in messages; depth_limit as in ReadOptions.
  IntervalSums(std::string path, calendar::Minutes step, double depth_limit);

  // A reading that ends at end: a depth in mm, or NaN when missing. Readings come in time order.
  // Throws ToolError naming line when a 15-minute depth reaches the limit or largest_held_depth_mm
  // (either sign), or the record spans more than longest_record_days.
  void add(calendar::TimePoint end, double depth, long line);

  bool empty() const { return count_ == 0; }
  calendar::IntervalIndex first_interval() const { return origin_; }
  calendar::IntervalIndex end_interval() const { return origin_ + count_; }

  // Room for about this many intervals, so that a long record grows without copying.
  void expect(std::size_t intervals);

  // The intervals [first, end) as a series: intervals no reading covered are missing, or dry
  // when absent_is_dry (partly covered ones too). The sums are given up to it: call once.
  CalendarSeries take_series(std::string name, calendar::IntervalIndex first, calendar::IntervalIndex end,
                             bool absent_is_dry);

 private:
  void add_piece(calendar::IntervalIndex interval, double depth, int minutes, long line);
  // Throws when the sum reaches the limit, or the largest depth held.
  void check_depth(calendar::IntervalIndex interval, double sum, long line) const;
  // Whether the sum at index at is a depth: no reading in it missing, and readings over all its
  // minutes unless absent is dry.
  bool known(std::size_t at, bool absent_is_dry) const;

  static constexpr std::uint8_t missing_mark = 255;
  std::string path_;
  int step_;  // minutes
  double depth_limit_;
  double near_limit_;  // below this (in size) no sum can reach the limit once rounded, nor the largest held
  calendar::IntervalIndex origin_ = 0;
  std::int64_t count_ = 0;  // intervals from origin_ that readings touched (sums_ may hold more room)
  std::vector<double> sums_;
  std::vector<std::uint8_t> covered_;  // minutes covered, or missing_mark
};

// Whether depth, rounded to 0.01 mm as its decimal value is, reaches limit (never, for an infinite
// limit); a depth too large to be held reaches every finite limit. The depth that does makes the
// message below.
bool reaches_limit(double depth, double limit);
std::string depth_limit_message(calendar::IntervalIndex interval, double depth, double limit);
// Throws ToolError naming path and line when the 15-minute depth ending with interval reaches the
// limit, or largest_held_depth_mm (either sign, NaN too): what every reader checks of a depth it
// keeps, so that no sum, statistic or conversion to whole hundredths of a kept depth overflows.
void check_interval_depth(const std::string& path, long line, calendar::IntervalIndex interval, double depth,
                          double limit);

}  // namespace raingen::gauge
