// The one series type of the tools: rainfall depths on a 15-minute calendar grid, with gaps.
// Interval k (from 0) covers (start + 15 k min, start + 15 (k + 1) min] and holds a depth in mm, or
// is missing. Every gauge reader produces one, every statistic consumes one, and the program's
// results table is read into one too.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "calendar/interval.h"

namespace raingen::gauge {

class CalendarSeries {
 public:
  CalendarSeries() = default;
  // count intervals from start (a multiple of 15 minutes), all missing.
  CalendarSeries(std::string name, calendar::TimePoint start, std::size_t count);
  // The given depths (NaN: missing) from start, taken over without a copy.
  CalendarSeries(std::string name, calendar::TimePoint start, std::vector<double>&& depths);

  const std::string& name() const { return name_; }
  void rename(std::string name) { name_ = std::move(name); }
  calendar::TimePoint start() const { return start_; }
  calendar::TimePoint end() const { return interval_start(size()); }  // end of the last interval
  std::size_t size() const { return depths_.size(); }
  bool empty() const { return depths_.empty(); }

  bool present(std::size_t k) const { return !std::isnan(depths_[k]); }
  // The depth in mm of a present interval (NaN where missing).
  double depth(std::size_t k) const { return depths_[k]; }
  void set_depth(std::size_t k, double mm) { depths_[k] = mm; }
  void set_missing(std::size_t k) { depths_[k] = missing_value(); }
  void resize(std::size_t count) { depths_.resize(count, missing_value()); }
  void push_back(double mm) { depths_.push_back(mm); }
  void push_back_missing() { depths_.push_back(missing_value()); }
  const std::vector<double>& depths() const { return depths_; }  // NaN marks a missing interval

  calendar::TimePoint interval_start(std::size_t k) const {
    return start_ + static_cast<long>(k) * calendar::interval_length;
  }
  calendar::TimePoint interval_end(std::size_t k) const { return interval_start(k) + calendar::interval_length; }

  static double missing_value() { return std::numeric_limits<double>::quiet_NaN(); }

 private:
  std::string name_;
  calendar::TimePoint start_{};
  std::vector<double> depths_;
};

}  // namespace raingen::gauge
