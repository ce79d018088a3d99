// SWMM's user-prepared rain file: one line per wet interval, "STA YYYY MM DD HH MM VALUE"
// (blank- or tab-separated; lines starting with ';' are comments). Values are depths in mm per
// interval (a VOLUME gage), stamped at the interval's start unless --stamp end. Only wet
// intervals are listed, so the intervals the file does not list are dry, within the days of
// --from/--to or else from the first to the last day the station's lines touch. The step is the
// smallest spacing between the station's lines (15 minutes when it has only one).
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/tool_error.h"
#include "gauge/fields.h"
#include "gauge/interval_sums.h"
#include "gauge/readers.h"
#include "gauge/reading_errors.h"

namespace raingen::gauge {

namespace {

using common::ToolError;
using common::UsageError;

struct WetLine {
  std::size_t station;  // index into the names
  std::int64_t minute;  // as stamped
  double depth;         // NaN: missing
  long line;
};

int field_number(const std::string& path, long line, std::string_view text, int low, int high, const char* what) {
  const auto value = common::parse_integer(text);
  if (!value) throw ToolError(path, line, fmt::format("'{}' is not a {} (STA YYYY MM DD HH MM VALUE)", text, what));
  if (*value < low || *value > high)
    throw ToolError(path, line, fmt::format("{} {} is not on the calendar", what, text));
  return static_cast<int>(*value);
}

}  // namespace

CalendarSeries read_swmm(const std::string& path, const ReadOptions& options, ReadFacts& facts) {
  common::LineReader reader(path);
  std::string_view line;
  std::vector<std::string_view> words;
  std::vector<std::string> stations;
  std::vector<WetLine> wet;

  while (reader.next(line)) {
    const std::string_view content = trim(line);
    if (content.empty() || content.front() == ';') continue;
    const long n = reader.line_number();
    split_words(content, words);
    if (words.size() != 7)
      throw ToolError(path, n, fmt::format("has {} fields; a rain file line is STA YYYY MM DD HH MM VALUE", words.size()));
    const int year = field_number(path, n, words[1], 1, 9999, "year");
    const int month = field_number(path, n, words[2], 1, 12, "month");
    const int day = field_number(path, n, words[3], 1, 31, "day");
    const int hour = field_number(path, n, words[4], 0, 24, "hour");
    const int minute = field_number(path, n, words[5], 0, 59, "minute");
    std::int64_t days = 0;
    const std::string date = fmt::format("{:04}-{:02}-{:02}", year, month, day);
    const TimeParse status = parse_date(date, days);
    if (status != TimeParse::ok) bad_time(path, n, date, status);
    if (hour == 24 && minute > 0) bad_time(path, n, fmt::format("{} {}:{}", date, words[4], words[5]), TimeParse::impossible);

    WetLine w{0, days * 1440 + hour * 60 + minute, 0.0, n};
    const auto known = std::find(stations.begin(), stations.end(), words[0]);
    w.station = static_cast<std::size_t>(known - stations.begin());
    if (known == stations.end()) stations.emplace_back(words[0]);
    switch (read_depth(words[6], w.depth)) {
      case DepthKind::depth: break;
      case DepthKind::missing: w.depth = CalendarSeries::missing_value(); break;
      case DepthKind::malformed: bad_depth(path, n, words[6]);
    }
    wet.push_back(w);
  }
  if (stations.empty()) throw ToolError(path, 0, "lists no wet interval, and no station");

  std::size_t chosen = 0;
  if (!options.swmm_station.empty()) {
    const auto at = std::find(stations.begin(), stations.end(), options.swmm_station);
    if (at == stations.end())
      throw UsageError(path, fmt::format("no station '{}' in the rain file", options.swmm_station));
    chosen = static_cast<std::size_t>(at - stations.begin());
  } else if (stations.size() > 1) {
    std::string list;
    for (const auto& s : stations) list += (list.empty() ? "" : ", ") + s;
    throw UsageError(path, fmt::format("several stations ({}): pick one with --swmm-station", list));
  }
  std::erase_if(wet, [&](const WetLine& w) { return w.station != chosen; });

  std::int64_t step = 15;
  long step_line = 0;
  for (std::size_t k = 1; k < wet.size(); ++k) {
    check_order(path, wet[k].line, wet[k - 1].minute * 60, wet[k].minute * 60);
    if (k == 1 || wet[k].minute - wet[k - 1].minute < step) {
      step = wet[k].minute - wet[k - 1].minute;
      step_line = wet[k].line;
    }
  }
  if (step > 15) coarse_step(path, step_line, step);
  const bool end_stamped = options.stamp == Stamp::end;
  const std::int64_t origin = wet.front().minute;
  const auto end_of = [&](const WetLine& w) { return end_stamped ? w.minute : w.minute + step; };

  const std::int64_t first_day = options.from ? options.from->time_since_epoch().count()
                                              : floor_div(end_of(wet.front()) - step, 1440);
  const std::int64_t last_day = options.to ? options.to->time_since_epoch().count()
                                           : floor_div(end_of(wet.back()) - 1, 1440);
  IntervalSums sums(path, static_cast<int>(step), options.depth_limit);
  for (const WetLine& w : wet) {
    if ((w.minute - origin) % step != 0)
      throw ToolError(path, w.line, fmt::format("time {} is off the station's {}-minute step (from {})",
                                                minute_text(w.minute), step, minute_text(origin)));
    const std::int64_t end = end_of(w);
    if (end <= first_day * 1440 || end - step >= (last_day + 1) * 1440) continue;  // outside the days kept
    sums.add(end, w.depth, w.line);
  }
  facts.step_minutes = static_cast<int>(step);
  facts.data_lines = static_cast<long>(wet.size());
  return sums.take_series(stations[chosen], first_day * 96, (last_day + 1) * 96, true);
}

}  // namespace raingen::gauge
