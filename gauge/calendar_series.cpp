#include "gauge/calendar_series.h"

#include <stdexcept>

namespace raingen::gauge {

CalendarSeries::CalendarSeries(std::string name, calendar::TimePoint start, std::size_t count)
    : name_(std::move(name)), start_(start), depths_(count, missing_value()) {
  if (!calendar::on_grid(start)) throw std::invalid_argument("a series starts on the 15-minute grid");
}

CalendarSeries::CalendarSeries(std::string name, calendar::TimePoint start, std::vector<double>&& depths)
    : name_(std::move(name)), start_(start), depths_(std::move(depths)) {
  if (!calendar::on_grid(start)) throw std::invalid_argument("a series starts on the 15-minute grid");
}

}  // namespace raingen::gauge
