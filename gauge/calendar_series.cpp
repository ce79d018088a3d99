#include "gauge/calendar_series.h"

#include <stdexcept>

namespace raingen::gauge {

CalendarSeries::CalendarSeries(std::string name, TimePoint start, std::size_t count)
    : name_(std::move(name)), start_(start), depths_(count, missing_value()) {
  if (!on_grid(start)) throw std::invalid_argument("a series starts on the 15-minute grid");
}

CalendarSeries::CalendarSeries(std::string name, TimePoint start, std::vector<double>&& depths)
    : name_(std::move(name)), start_(start), depths_(std::move(depths)) {
  if (!on_grid(start)) throw std::invalid_argument("a series starts on the 15-minute grid");
}

bool on_grid(TimePoint t) { return t.time_since_epoch().count() % interval_length.count() == 0; }

}  // namespace raingen::gauge
