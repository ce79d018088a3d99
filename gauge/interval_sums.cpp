#include "gauge/interval_sums.h"

#include <cmath>

#include <fmt/format.h>

#include "common/tool_error.h"
#include "gauge/time_text.h"

namespace raingen::gauge {

namespace {
constexpr std::int64_t longest_record = 300LL * 366 * 96;  // intervals
}

bool reaches_limit(double depth, double limit) {
  return std::isfinite(limit) && std::llround(depth * 100.0) >= std::llround(limit * 100.0);
}

std::string depth_limit_message(std::int64_t interval_end_minute, double depth, double limit) {
  return fmt::format("the 15-minute depth ending {} comes to {:.2f} mm; a depth of {:g} mm or more cannot be written",
                     minute_text(interval_end_minute), depth, limit);
}

IntervalSums::IntervalSums(std::string path, int step_minutes, double depth_limit)
    : path_(std::move(path)),
      step_(step_minutes),
      depth_limit_(depth_limit),
      near_limit_(std::isfinite(depth_limit) ? depth_limit - 0.01 : depth_limit) {}

void IntervalSums::add_piece(std::int64_t interval, double depth, int minutes, long line) {
  if (count_ == 0) origin_ = interval;
  const std::int64_t k = interval - origin_;
  if (k >= count_) {
    if (k >= longest_record)
      throw common::ToolError(path_, line, "the record would span more than 300 years: is the date right?");
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
  if (sums_[at] >= near_limit_ && reaches_limit(sums_[at], depth_limit_))
    throw common::ToolError(path_, line, depth_limit_message((interval + 1) * 15, sums_[at], depth_limit_));
}

void IntervalSums::add(std::int64_t end_minute, double depth, long line) {
  std::int64_t begin = end_minute - step_;
  const std::int64_t interval = floor_div(begin, 15);
  if (end_minute <= (interval + 1) * 15) {  // within one interval: the common case
    add_piece(interval, depth, step_, line);
    return;
  }
  while (begin < end_minute) {
    const std::int64_t j = floor_div(begin, 15);
    const std::int64_t piece_end = std::min(end_minute, (j + 1) * 15);
    const auto minutes = static_cast<int>(piece_end - begin);
    add_piece(j, std::isnan(depth) ? depth : depth * minutes / step_, minutes, line);
    begin = piece_end;
  }
}

void IntervalSums::expect(std::size_t intervals) {
  sums_.reserve(intervals);
  covered_.reserve(intervals);
}

CalendarSeries IntervalSums::take_series(std::string name, std::int64_t first, std::int64_t end, bool absent_is_dry) {
  const TimePoint start{Minutes{first * 15}};
  if (first == origin_ && end == origin_ + count_) {  // the record's own span: the sums become the series
    sums_.resize(static_cast<std::size_t>(count_));
    for (std::size_t k = 0; k < sums_.size(); ++k)
      if (covered_[k] == missing_mark || (covered_[k] < 15 && !absent_is_dry)) sums_[k] = CalendarSeries::missing_value();
    return CalendarSeries(std::move(name), start, std::move(sums_));
  }
  CalendarSeries out(std::move(name), start, static_cast<std::size_t>(std::max<std::int64_t>(0, end - first)));
  for (std::int64_t j = first; j < end; ++j) {
    const std::size_t k = static_cast<std::size_t>(j - first);
    const std::int64_t own = j - origin_;
    if (own < 0 || own >= count_) {
      if (absent_is_dry) out.set_depth(k, 0.0);
      continue;
    }
    const auto at = static_cast<std::size_t>(own);
    if (covered_[at] == missing_mark) continue;
    if (covered_[at] >= 15 || absent_is_dry) out.set_depth(k, sums_[at]);
  }
  return out;
}

}  // namespace raingen::gauge
