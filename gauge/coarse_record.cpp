#include "gauge/coarse_record.h"

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/tool_error.h"
#include "gauge/calendar_series.h"
#include "gauge/decimal_depth.h"

namespace raingen::gauge {

bool whole_intervals_dividing_a_day(calendar::Minutes step) {
  const auto minutes = step.count();
  return minutes > 0 && minutes % calendar::minutes_per_interval == 0 && calendar::minutes_per_day % minutes == 0;
}

void check_coarse_step(const std::string& path, long line, calendar::Minutes step) {
  const auto minutes = step.count();
  if (!whole_intervals_dividing_a_day(step))
    throw common::ToolError(path, line,
                            fmt::format("the record's step is {} minutes: a coarse record's step must be a whole "
                                        "number of 15-minute intervals that divides a day (30, 60, ... 1440 minutes)",
                                        minutes));
}

CoarseRecord coarse_of(const std::string& path, const CalendarSeries& series, calendar::Minutes step,
                       int phase_minutes) {
  CoarseRecord coarse{.path = path, .name = series.name(), .step = step, .first_end = {}, .values = {}, .lines = {}};
  const std::int64_t per_step = step.count() / calendar::minutes_per_interval;
  const std::int64_t start = calendar::minute_number(series.start());
  // The first step that lies whole within the series.
  std::int64_t end = start + step.count();
  const std::int64_t off = phase_minutes - end;
  end += off - calendar::floor_div(off, step.count()) * step.count();
  coarse.first_end = calendar::at_minute(end);
  for (; end <= calendar::minute_number(series.end()); end += step.count()) {
    const auto first = static_cast<std::size_t>((end - step.count() - start) / calendar::minutes_per_interval);
    std::int64_t sum = 0;
    bool known = true;
    for (std::int64_t j = 0; j < per_step && known; ++j) {
      const auto h = hundredths_of(series.depth(first + static_cast<std::size_t>(j)));
      known = h.has_value();
      if (known) sum += *h;
    }
    coarse.values.push_back(known ? static_cast<double>(sum) / 100 : CalendarSeries::missing_value());
    coarse.lines.push_back(0);
  }
  return coarse;
}

}  // namespace raingen::gauge
