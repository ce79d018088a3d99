// NOAA's 15-minute precipitation CSV: one day per row. The column named DATE (or, without a
// header row, the first column that holds a date) gives the day; the 96 columns after it hold the
// depths of the intervals ending 00:15, 00:30, ..., 24:00, in hundredths of an inch (-9999 and
// the other missing marks: missing). Columns after those 96 are not read. Days absent from the
// file are missing.
#include <cmath>
#include <filesystem>
#include <span>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/line_reader.h"
#include "common/tool_error.h"
#include "gauge/fields.h"
#include "gauge/interval_sums.h"
#include "gauge/readers.h"
#include "gauge/reading_errors.h"

namespace raingen::gauge {

namespace {

using calendar::intervals_per_day;
using common::ToolError;

constexpr double mm_per_hundredth_inch = 0.254;

// Where the first line puts the dates: the column named DATE, and then the line is a header
// (true); else the first column that holds a date.
bool locate_dates(const std::string& path, long n, const std::vector<std::string_view>& fields, std::size_t& column) {
  bool header = false;
  for (std::size_t k = 0; k < fields.size(); ++k)
    if (same_name(fields[k], "DATE")) {
      column = k;
      header = true;
    }
  if (header) return true;
  calendar::Day day;
  column = 0;
  while (column < fields.size() && parse_date(fields[column], day) == TimeParse::malformed) ++column;
  if (column == fields.size()) throw ToolError(path, n, "has no DATE column and no date");
  return false;
}

// The day of a row, which must hold a value for each of its intervals after the date.
calendar::Day read_day(const std::string& path, long n, const std::vector<std::string_view>& fields,
                       std::size_t date_column) {
  if (fields.size() <= date_column) throw ToolError(path, n, "has no date");
  calendar::Day day;
  const TimeParse status = parse_date(fields[date_column], day);
  if (status != TimeParse::ok) bad_time(path, n, fields[date_column], status);
  if (fields.size() < date_column + 1 + intervals_per_day)
    throw ToolError(path, n,
                    fmt::format("has {} values after the date; 96 are needed", fields.size() - date_column - 1));
  return day;
}

// The row's depths in mm, appended to the series.
void append_depths(const std::string& path, long n, std::span<const std::string_view> values, calendar::Day day,
                   double depth_limit, CalendarSeries& series) {
  const calendar::IntervalIndex first = calendar::first_interval_of(day);
  for (std::size_t j = 0; j < values.size(); ++j) {
    double value = 0;
    switch (read_depth(values[j], value)) {
      case DepthKind::depth: {
        const double mm = value * mm_per_hundredth_inch;
        check_interval_depth(path, n, first + static_cast<calendar::IntervalIndex>(j), mm, depth_limit);
        series.push_back(mm);
        break;
      }
      case DepthKind::missing: series.push_back_missing(); break;
      case DepthKind::malformed: bad_depth(path, n, values[j]);
    }
  }
}

}  // namespace

CalendarSeries read_noaa(common::LineReader& reader, const ReadOptions& options, ReadFacts& facts) {
  const std::string& path = reader.path();
  std::string_view line;
  std::vector<std::string_view> fields;
  char separator = 0;
  std::size_t date_column = 0;
  bool located = false;

  CalendarSeries series(std::filesystem::path(path).stem().string(), calendar::TimePoint{}, 0);
  calendar::Day first_day{}, before{};
  long days = 0;
  while (reader.next(line)) {
    if (trim(line).empty()) continue;
    const long n = reader.line_number();
    if (separator == 0) separator = separator_of(line);
    split_fields(line, separator ? separator : ',', fields);
    if (!located) {
      located = true;
      if (locate_dates(path, n, fields, date_column)) continue;
    }
    const calendar::Day day = read_day(path, n, fields, date_column);
    if (days > 0) check_order(path, n, before, day);
    if (days == 0) {
      first_day = day;
      series = CalendarSeries(series.name(), day, 0);
    }
    if ((day - first_day).count() > longest_record_days) record_too_long(path, n);
    before = day;
    ++days;
    series.resize(static_cast<std::size_t>((day - first_day).count()) * intervals_per_day);  // absent days stay missing
    append_depths(path, n, std::span(fields).subspan(date_column + 1, intervals_per_day), day, options.depth_limit,
                  series);
  }
  if (days == 0) throw ToolError(path, 0, "holds no day rows");
  facts.step_minutes = calendar::minutes_per_interval;
  facts.data_lines = days;
  return series;
}

}  // namespace raingen::gauge
