#include "gauge/reading_errors.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/shown_text.h"
#include "common/tool_error.h"

namespace raingen::gauge {

void bad_time(const std::string& path, long line, std::string_view text, TimeParse status) {
  if (status == TimeParse::impossible)
    throw common::ToolError(path, line, fmt::format("'{}' is not a time of the calendar", common::excerpt(text)));
  throw common::ToolError(
      path, line,
      fmt::format("'{}' is not a time (YYYY-MM-DD hh:mm[:ss] or dd/mm/yyyy hh:mm[:ss])", common::excerpt(text)));
}

void check_order(const std::string& path, long line, calendar::Instant before, calendar::Instant time) {
  if (time > before) return;
  if (time == before)
    throw common::ToolError(path, line,
                            fmt::format("time {} repeats the time of the reading before", calendar::stamp_text(time)));
  throw common::ToolError(path, line,
                          fmt::format("time {} comes before the time of the reading before ({}): "
                                      "readings must be in time order",
                                      calendar::stamp_text(time), calendar::stamp_text(before)));
}

void bad_depth(const std::string& path, long line, std::string_view text) {
  throw common::ToolError(path, line, fmt::format("'{}' is not a depth", common::excerpt(text)));
}

void coarse_step(const std::string& path, long line, std::int64_t step_minutes) {
  throw common::ToolError(path, line,
                          fmt::format("the record's step is {} minutes; 15 minutes or finer is needed", step_minutes));
}

void record_too_long(const std::string& path, long line) {
  throw common::ToolError(path, line, "the record would span more than 300 years: is the date right?");
}

}  // namespace raingen::gauge

namespace raingen::gauge {

void check_kept_span(const std::string& path, calendar::Day first, calendar::Day last) {
  const auto days = (last - first).count() + 1;
  if (days > longest_record_days)
    throw common::UsageError(
        path, fmt::format("--from/--to keep {} to {}, {} days: a record is kept over at most {} "
                          "days (300 years)",
                          calendar::day_text(first), calendar::day_text(last), days, longest_record_days));
}

}  // namespace raingen::gauge
