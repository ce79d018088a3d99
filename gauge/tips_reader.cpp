// Tip records, as tipping-bucket loggers write them: a header row (optional), then one row per
// event in time order: time (to the second), depth in mm, and an optional flag.
// - A row with a depth above 0 is a tip: that depth fell at that instant, and it counts in the
//   15-minute interval that contains the instant (an instant on an interval's end belongs to it).
// - A row with depth 0 only marks that the logger was running (installed, downloaded, restarted).
// - A row whose depth is empty (or missing) or whose flag is V starts a gap: nothing is known
//   from that instant until the next row, which restarts the record.
// The record runs from its first row to its last. Loggers stamp their own rows a second past the
// minute, so the known time is counted in whole minutes: a row at hh:mm:ss starts or ends it at
// hh:mm. A 15-minute interval is present when the known time covers all of it.
#include <cmath>
#include <filesystem>

#include <fmt/format.h>

#include "common/line_reader.h"
#include "common/tool_error.h"
#include "gauge/fields.h"
#include "gauge/interval_sums.h"
#include "gauge/readers.h"
#include "gauge/reading_errors.h"

namespace raingen::gauge {

namespace {

using common::ToolError;

struct KnownPeriod {
  std::int64_t from, to;  // minutes
};

std::int64_t floor_minute(std::int64_t seconds) { return floor_div(seconds, 60); }

}  // namespace

CalendarSeries read_tips(const std::string& path, const ReadOptions& options, ReadFacts& facts) {
  common::LineReader reader(path);
  std::string_view line;
  std::vector<std::string_view> fields;
  InstantReader times;
  char separator = 0;
  bool first_line = true;

  std::vector<KnownPeriod> known;
  bool running = false;  // inside a known period
  std::int64_t before = 0;
  std::int64_t origin = 0;  // the interval of the first row
  std::vector<double> sums;
  long rows = 0;

  while (reader.next(line)) {
    if (trim(line).empty()) continue;
    if (separator == 0) separator = separator_of(line);
    split_fields(line, separator ? separator : ',', fields);
    std::int64_t seconds = 0;
    const TimeParse status = times.read(fields[0], seconds);
    if (first_line) {
      first_line = false;
      if (status == TimeParse::malformed) continue;  // a header row
    }
    if (status != TimeParse::ok) bad_time(path, reader.line_number(), fields[0], status);
    if (fields.size() < 2)
      throw ToolError(path, reader.line_number(), "has no depth after the time (a tip row is: time, depth, flag)");
    if (rows > 0) check_order(path, reader.line_number(), before, seconds);
    before = seconds;
    ++rows;

    double depth = 0;
    const DepthKind kind = read_depth(fields[1], depth);
    if (kind == DepthKind::malformed) bad_depth(path, reader.line_number(), fields[1]);
    const bool gap_starts = kind == DepthKind::missing || (fields.size() > 2 && same_name(fields[2], "V"));

    const std::int64_t interval = floor_div(seconds - 1, 900);  // the interval (15j, 15j+15] holding it
    if (rows == 1) origin = interval;
    if (interval - origin >= 300LL * 366 * 96)
      throw ToolError(path, reader.line_number(), "the record would span more than 300 years: is the date right?");
    if (interval - origin >= static_cast<std::int64_t>(sums.size()))
      sums.resize(static_cast<std::size_t>(interval - origin) + 1, 0.0);
    if (kind == DepthKind::depth && depth > 0) {
      double& sum = sums[static_cast<std::size_t>(interval - origin)];
      sum += depth;
      if (reaches_limit(sum, options.depth_limit))
        throw ToolError(path, reader.line_number(), depth_limit_message((interval + 1) * 15, sum, options.depth_limit));
    }

    const std::int64_t minute = floor_minute(seconds);
    if (!running) {
      known.push_back({minute, minute});
      running = true;
    }
    known.back().to = minute;
    if (gap_starts) running = false;
  }
  if (rows == 0) throw ToolError(path, 0, "holds no tip rows");

  // Present: the intervals that a known period covers whole.
  const std::int64_t end = origin + static_cast<std::int64_t>(sums.size());
  CalendarSeries series(std::filesystem::path(path).stem().string(), TimePoint{Minutes{origin * 15}},
                        sums.size());
  for (const KnownPeriod& period : known) {
    const std::int64_t first = std::max(origin, floor_div(period.from + 14, 15));  // 15 first >= from
    const std::int64_t last = std::min(end, floor_div(period.to, 15));             // 15 last <= to
    for (std::int64_t j = first; j < last; ++j)
      series.set_depth(static_cast<std::size_t>(j - origin), sums[static_cast<std::size_t>(j - origin)]);
  }
  facts.step_minutes = 0;
  facts.data_lines = rows;
  return series;
}

}  // namespace raingen::gauge
