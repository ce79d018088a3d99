#include "gauge/reading_errors.h"

#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::gauge {

namespace {
std::string second_text(std::int64_t seconds) {
  const std::int64_t minutes = seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60);
  const std::int64_t rest = seconds - minutes * 60;
  return rest == 0 ? minute_text(minutes) : fmt::format("{}:{:02}", minute_text(minutes), rest);
}
}  // namespace

void bad_time(const std::string& path, long line, std::string_view text, TimeParse status) {
  if (status == TimeParse::impossible)
    throw common::ToolError(path, line, fmt::format("'{}' is not a time of the calendar", text));
  throw common::ToolError(path, line,
                         fmt::format("'{}' is not a time (YYYY-MM-DD hh:mm[:ss] or dd/mm/yyyy hh:mm[:ss])", text));
}

void check_order(const std::string& path, long line, std::int64_t before, std::int64_t time) {
  if (time > before) return;
  if (time == before)
    throw common::ToolError(path, line, fmt::format("time {} repeats the time of the reading before", second_text(time)));
  throw common::ToolError(path, line, fmt::format("time {} comes before the time of the reading before ({}): "
                                                 "readings must be in time order",
                                                 second_text(time), second_text(before)));
}

void bad_depth(const std::string& path, long line, std::string_view text) {
  throw common::ToolError(path, line, fmt::format("'{}' is not a depth", text));
}

void coarse_step(const std::string& path, long line, std::int64_t step_minutes) {
  throw common::ToolError(path, line, fmt::format("the record's step is {} minutes; 15 minutes or finer is needed",
                                                 step_minutes));
}

}  // namespace raingen::gauge
