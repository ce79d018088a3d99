#include "ensemble/ensemble_runs.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/tool_error.h"
#include "ensemble_file/file_limits.h"

namespace raingen::ensemble {

ensemble_file::RealizationRange EnsembleRuns::own_range() const {
  return part ? part->range() : ensemble_file::RealizationRange{1, realizations};
}

long EnsembleRuns::series_days(long input_days) const {
  const long n = days.value_or(input_days);
  if (n < 1 || n > ensemble_file::most_series_days)
    throw common::UsageError(fmt::format("--days {} is not from 1 to {} (the table's times hold {} days)", n,
                                         ensemble_file::most_series_days, ensemble_file::most_series_days));
  const calendar::TimePoint last_day = start + calendar::Days{n - 1};
  if (date::year_month_day{calendar::day_of(last_day)}.year() > date::year{9999})
    throw common::UsageError(fmt::format("--start {} with {} days runs past the calendar's last day, 9999-12-31",
                                         calendar::minute_text(start), n));
  return n;
}

std::string EnsembleRuns::part_text() const {
  return part ? fmt::format(", {} of an ensemble of {} realizations", part->description(), realizations) : "";
}

}  // namespace raingen::ensemble
