#include "ensemble/ensemble_runs.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "ensemble/calendar_blocks.h"
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

std::string EnsembleRuns::blocks_source(const std::string& where, long days, std::size_t blocks) const {
  const ensemble_file::RealizationRange own = own_range();
  return fmt::format(
      "{}, {} days from {} in {} runs of at most {} days, laid end to end; realization k from RAINGEN_SEED {} + k - 1 "
      "({} to {}), its run b with the generator's state after (b - 1) x {} draws from that seed",
      where, days, calendar::minute_text(start), blocks, common::most_days, first_seed, first_seed + own.first - 1,
      first_seed + own.last - 1, block_seed_stride);
}

ensemble_file::EnsembleLayout EnsembleRuns::file_layout(long days, std::string source) const {
  ensemble_file::EnsembleLayout layout;
  layout.start = start;
  layout.utc_offset = utc_offset;
  layout.intervals = static_cast<std::size_t>(days) * calendar::intervals_per_day;
  layout.realizations = own_range().size();
  layout.first_seed = static_cast<int>(first_seed + own_range().first - 1);
  layout.part = part;
  layout.source = std::move(source);
  layout.history = history;
  return layout;
}

}  // namespace raingen::ensemble
