#include "gauge/interval_sums.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/tool_error.h"
#include "gauge/decimal_depth.h"
#include "gauge/reading_errors.h"

namespace raingen::gauge {

using calendar::floor_div;
using calendar::minutes_per_interval;

namespace {
constexpr std::int64_t longest_record = longest_record_days * calendar::intervals_per_day;
}

bool reaches_limit(double depth, double limit) {
  if (!std::isfinite(limit)) return false;
  const std::optional<std::int64_t> held = hundredths_of(depth), most = hundredths_of(limit);
  if (!most) return !held;
  return !held || *held >= *most;  // a depth too large to hold reaches any limit
}

std::string depth_limit_message(calendar::IntervalIndex interval, double depth, double limit) {
  const std::optional<std::int64_t> held = hundredths_of(depth);
  return fmt::format("the 15-minute depth ending {} comes to {} mm; a depth of {:g} mm or more cannot be written",
                     calendar::minute_text(calendar::interval_end(interval)),
                     held ? hundredths_text(*held) : fmt::format("{:g}", depth), limit);
}

IntervalSums::IntervalSums(std::string path, calendar::Minutes step, double depth_limit)
    : path_(std::move(path)),
      step_(static_cast<int>(step.count())),
      depth_limit_(depth_limit),
      near_limit_(std::min(std::isfinite(depth_limit) ? depth_limit - 0.01 : depth_limit, largest_held_depth_mm)) {}

void IntervalSums::add_piece(calendar::IntervalIndex interval, double depth, int minutes, long line) {
  if (count_ == 0) origin_ = interval;
  const std::int64_t k = interval - origin_;
  if (k >= count_) {
    if (k >= longest_record) record_too_long(path_, line);
    count_ = k + 1;
    if (count_ > static_cast<std::int64_t>(sums_.size())) {  // many intervals at once, within the room expected
      const auto wanted = static_cast<std::size_t>(count_);
      const std::size_t room = wanted <= sums_.capacity() ? std::min(sums_.capacity(), wanted + 4096)
                                                          : std::max(wanted, 2 * sums_.size() + 1024);
      sums_.resize(room, 0.0);
      covered_.resize(room, 0);
    }
  }
  const auto at = static_cast<std::size_t>(k);
  if (std::isnan(depth)) {
    covered_[at] = missing_mark;
    return;
  }
  if (covered_[at] != missing_mark) covered_[at] = static_cast<std::uint8_t>(covered_[at] + minutes);
  sums_[at] += depth;
  if (!(std::fabs(sums_[at]) < near_limit_)) check_depth(interval, sums_[at], line);
}

void check_interval_depth(const std::string& path, long line, calendar::IntervalIndex interval, double sum,
                          double limit) {
  if (reaches_limit(sum, limit)) throw common::ToolError(path, line, depth_limit_message(interval, sum, limit));
  if (!billionths_of(sum))
    throw common::ToolError(
        path, line,
        fmt::format("the 15-minute depth ending {} comes to {:g} mm: no depth of {:g} mm or more is "
                    "taken",
                    calendar::minute_text(calendar::interval_end(interval)), sum, largest_held_depth_mm));
}

void IntervalSums::check_depth(calendar::IntervalIndex interval, double sum, long line) const {
  check_interval_depth(path_, line, interval, sum, depth_limit_);
}

void IntervalSums::add(calendar::TimePoint end, double depth, long line) {
  // Whole minutes since 1970 from here: the reading's minutes fall into intervals of 15 of them.
  const std::int64_t end_minute = calendar::minute_number(end);
  std::int64_t begin = end_minute - step_;
  const calendar::IntervalIndex interval = floor_div(begin, minutes_per_interval);
  if (end_minute <= (interval + 1) * minutes_per_interval) {  // within one interval: the common case
    add_piece(interval, depth, step_, line);
    return;
  }
  while (begin < end_minute) {
    const calendar::IntervalIndex j = floor_div(begin, minutes_per_interval);
    const std::int64_t piece_end = std::min(end_minute, (j + 1) * minutes_per_interval);
    const auto minutes = static_cast<int>(piece_end - begin);
    add_piece(j, std::isnan(depth) ? depth : depth * minutes / step_, minutes, line);
    begin = piece_end;
  }
}

bool IntervalSums::known(std::size_t at, bool absent_is_dry) const {
  return covered_[at] != missing_mark && (absent_is_dry || covered_[at] >= minutes_per_interval);
}

void IntervalSums::expect(std::size_t intervals) {
  sums_.reserve(intervals);
  covered_.reserve(intervals);
}

CalendarSeries IntervalSums::take_series(std::string name, calendar::IntervalIndex first, calendar::IntervalIndex end,
                                         bool absent_is_dry) {
  const calendar::TimePoint start = calendar::interval_start(first);
  if (first == origin_ && end == origin_ + count_) {  // the record's own span: the sums become the series
    sums_.resize(static_cast<std::size_t>(count_));
    for (std::size_t k = 0; k < sums_.size(); ++k)
      if (!known(k, absent_is_dry)) sums_[k] = CalendarSeries::missing_value();
    return CalendarSeries(std::move(name), start, std::move(sums_));
  }
  CalendarSeries out(std::move(name), start, static_cast<std::size_t>(std::max<std::int64_t>(0, end - first)));
  for (calendar::IntervalIndex j = first; j < end; ++j) {
    const std::size_t k = static_cast<std::size_t>(j - first);
    const std::int64_t own = j - origin_;
    if (own < 0 || own >= count_) {
      if (absent_is_dry) out.set_depth(k, 0.0);
      continue;
    }
    const auto at = static_cast<std::size_t>(own);
    if (known(at, absent_is_dry)) out.set_depth(k, sums_[at]);
  }
  return out;
}

}  // namespace raingen::gauge
