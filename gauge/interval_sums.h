// Readings of a fixed step summed into the 15-minute grid, for the readers of interval records.
// A reading covers the minutes (end - step, end]; a step that does not divide 15 minutes puts a
// reading that straddles a 15-minute boundary into both intervals, in proportion to the overlap.
// A 15-minute interval is present when readings cover all of it and none of them is missing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gauge/calendar_series.h"

namespace raingen::gauge {

// floor(a / b) for b > 0, whatever the sign of a.
inline std::int64_t floor_div(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

class IntervalSums {
 public:
  // path names the record in messages; depth_limit as in ReadOptions.
  IntervalSums(std::string path, int step_minutes, double depth_limit);

  // A reading ending at end_minute (minutes since 1970-01-01): a depth in mm, or NaN when missing.
  // Readings come in time order. Throws ToolError naming line when a 15-minute depth reaches the
  // limit, or the record spans more than 300 years.
  void add(std::int64_t end_minute, double depth, long line);

  bool empty() const { return count_ == 0; }
  std::int64_t first_interval() const { return origin_; }  // interval j covers (15j, 15j+15]
  std::int64_t end_interval() const { return origin_ + count_; }

  // Room for about this many intervals, so that a long record grows without copying.
  void expect(std::size_t intervals);

  // The intervals [first, end) as a series: intervals no reading covered are missing, or dry
  // when absent_is_dry (partly covered ones too). The sums are given up to it: call once.
  CalendarSeries take_series(std::string name, std::int64_t first, std::int64_t end, bool absent_is_dry);

 private:
  void add_piece(std::int64_t interval, double depth, int minutes, long line);

  static constexpr std::uint8_t missing_mark = 255;
  std::string path_;
  int step_;
  double depth_limit_;
  double near_limit_;  // below this no sum can reach the limit once rounded
  std::int64_t origin_ = 0;
  std::int64_t count_ = 0;  // intervals from origin_ that readings touched (sums_ may hold more room)
  std::vector<double> sums_;
  std::vector<std::uint8_t> covered_;  // minutes covered, or missing_mark
};

// The 15-minute depth that reaches limit (depths as written, to 0.01 mm) makes this message.
std::string depth_limit_message(std::int64_t interval_end_minute, double depth, double limit);
bool reaches_limit(double depth, double limit);

}  // namespace raingen::gauge
