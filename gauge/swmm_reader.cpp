// SWMM's user-prepared rain file: one line per wet interval, "STA YYYY MM DD HH MM VALUE"
// (blank- or tab-separated; lines starting with ';' are comments). Values are depths in mm per
// interval (a VOLUME gage), stamped at the interval's start unless --stamp end. Only wet
// intervals are listed, so the intervals the file does not list are dry, within the days of
// --from/--to or else from the first to the last day the station's lines touch. The step is the
// smallest spacing between the station's lines (15 minutes when it has only one).
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "calendar/time_text.h"
#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/shown_text.h"
#include "common/tool_error.h"
#include "gauge/fields.h"
#include "gauge/interval_sums.h"
#include "gauge/readers.h"
#include "gauge/reading_errors.h"
#include "gauge/record_step.h"

namespace raingen::gauge {

namespace {

using calendar::Minutes;
using common::ToolError;
using common::UsageError;

struct RainFile {
  std::vector<std::string> stations;  // in the order of their first lines
  struct Line {
    std::size_t station;  // index into stations
    Reading reading;      // stamped as the file stamps it
  };
  std::vector<Line> lines;
};

int field_number(const std::string& path, long line, std::string_view text, int low, int high, const char* what) {
  const auto value = common::parse_integer(text);
  if (!value)
    throw ToolError(path, line,
                    fmt::format("'{}' is not a {} (STA YYYY MM DD HH MM VALUE)", common::excerpt(text), what));
  if (*value < low || *value > high)
    throw ToolError(path, line, fmt::format("{} {} is not on the calendar", what, common::excerpt(text)));
  return static_cast<int>(*value);
}

// The reading of one line's words after the station: YYYY MM DD HH MM VALUE.
Reading read_wet_line(const std::string& path, long n, const std::vector<std::string_view>& words) {
  const int year = field_number(path, n, words[1], 1, 9999, "year");
  const int month = field_number(path, n, words[2], 1, 12, "month");
  const int day = field_number(path, n, words[3], 1, 31, "day");
  const int hour = field_number(path, n, words[4], 0, 24, "hour");
  const int minute = field_number(path, n, words[5], 0, 59, "minute");
  const std::optional<calendar::Day> date = calendar::civil_day(year, month, day);
  if (!date) bad_time(path, n, fmt::format("{:04}-{:02}-{:02}", year, month, day), TimeParse::impossible);
  if (hour == 24 && minute > 0)
    bad_time(path, n, fmt::format("{} {}:{}", calendar::day_text(*date), words[4], words[5]), TimeParse::impossible);
  Reading r{*date + Minutes{hour * calendar::minutes_per_hour + minute}, 0.0, n};
  switch (read_depth(words[6], r.depth)) {
    case DepthKind::depth: break;
    case DepthKind::missing: r.depth = CalendarSeries::missing_value(); break;
    case DepthKind::malformed: bad_depth(path, n, words[6]);
  }
  return r;
}

RainFile parse_rain_file(common::LineReader& reader) {
  const std::string& path = reader.path();
  std::string_view line;
  std::vector<std::string_view> words;
  RainFile file;
  while (reader.next(line)) {
    const std::string_view content = trim(line);
    if (content.empty() || content.front() == ';') continue;
    const long n = reader.line_number();
    split_words(content, words);
    if (words.size() != 7)
      throw ToolError(path, n,
                      fmt::format("has {} fields; a rain file line is STA YYYY MM DD HH MM VALUE", words.size()));
    const Reading reading = read_wet_line(path, n, words);
    const auto station = static_cast<std::size_t>(std::find(file.stations.begin(), file.stations.end(), words[0]) -
                                                  file.stations.begin());
    if (station == file.stations.size()) file.stations.emplace_back(words[0]);
    file.lines.push_back({station, reading});
  }
  if (file.stations.empty()) throw ToolError(path, 0, "lists no wet interval, and no station");
  return file;
}

// The station --swmm-station names, or the file's only one.
std::size_t pick_station(const std::string& path, const std::vector<std::string>& stations,
                         const ReadOptions& options) {
  if (!options.swmm_station.empty()) {
    const auto at = std::find(stations.begin(), stations.end(), options.swmm_station);
    if (at == stations.end())
      throw UsageError(path, fmt::format("no station '{}' in the rain file", common::excerpt(options.swmm_station)));
    return static_cast<std::size_t>(at - stations.begin());
  }
  if (stations.size() > 1) {
    std::string list;
    for (const auto& s : stations) list += (list.empty() ? "" : ", ") + s;
    throw UsageError(path,
                     fmt::format("several stations ({}): pick one with --swmm-station", common::excerpt(list, 400)));
  }
  return 0;
}

// The station's wet intervals on the 15-minute grid, the days kept dry where the file lists nothing.
CalendarSeries sum_wet_intervals(const std::string& path, const std::string& station, const std::vector<Reading>& wet,
                                 Minutes step, const ReadOptions& options) {
  const bool end_stamped = options.stamp == Stamp::end;
  const calendar::TimePoint origin = wet.front().time;
  const auto end_of = [&](const Reading& w) { return end_stamped ? w.time : w.time + step; };
  const calendar::Day first_day = options.from.value_or(calendar::day_of(end_of(wet.front()) - step));
  const calendar::Day last_day = options.to.value_or(calendar::day_of(end_of(wet.back()) - Minutes{1}));
  const calendar::Day after_last = last_day + calendar::Days{1};
  check_kept_span(path, first_day, last_day);  // --from or --to far from the station's lines
  IntervalSums sums(path, step, options.depth_limit);
  for (const Reading& w : wet) {
    if ((w.time - origin) % step != Minutes{0})
      throw ToolError(path, w.line,
                      fmt::format("time {} is off the station's {}-minute step (from {})",
                                  calendar::minute_text(w.time), step.count(), calendar::minute_text(origin)));
    const calendar::TimePoint end = end_of(w);
    if (end <= first_day || end - step >= after_last) continue;  // outside the days kept
    sums.add(end, w.depth, w.line);
  }
  return sums.take_series(station, calendar::first_interval_of(first_day), calendar::first_interval_of(after_last),
                          true);
}

}  // namespace

CalendarSeries read_swmm(common::LineReader& lines, const ReadOptions& options, ReadFacts& facts) {
  const std::string& path = lines.path();
  const RainFile file = parse_rain_file(lines);
  const std::size_t chosen = pick_station(path, file.stations, options);
  std::vector<Reading> wet;
  for (const RainFile::Line& line : file.lines)
    if (line.station == chosen) wet.push_back(line.reading);
  const Minutes step = infer_step(path, wet).value_or(calendar::interval_length);  // one line: 15 minutes
  facts.step_minutes = static_cast<int>(step.count());
  facts.data_lines = static_cast<long>(wet.size());
  return sum_wet_intervals(path, file.stations[chosen], wet, step, options);
}

}  // namespace raingen::gauge
