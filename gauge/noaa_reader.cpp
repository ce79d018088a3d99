// NOAA's 15-minute precipitation CSV: one day per row. The column named DATE (or, without a
// header row, the first column that holds a date) gives the day; the 96 columns after it hold the
// depths of the intervals ending 00:15, 00:30, ..., 24:00, in hundredths of an inch (-9999 and
// the other missing marks: missing). Columns after those 96 are not read. Days absent from the
// file are missing.
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
constexpr double mm_per_hundredth_inch = 0.254;
}  // namespace

CalendarSeries read_noaa(const std::string& path, const ReadOptions& options, ReadFacts& facts) {
  common::LineReader reader(path);
  std::string_view line;
  std::vector<std::string_view> fields;
  char separator = 0;
  std::size_t date_column = 0;
  bool located = false;

  CalendarSeries series(std::filesystem::path(path).stem().string(), TimePoint{}, 0);
  std::int64_t first_day = 0, before = 0;
  long days = 0;
  while (reader.next(line)) {
    if (trim(line).empty()) continue;
    const long n = reader.line_number();
    if (separator == 0) separator = separator_of(line);
    split_fields(line, separator ? separator : ',', fields);
    std::int64_t day = 0;
    if (!located) {
      located = true;
      bool header = false;
      for (std::size_t k = 0; k < fields.size(); ++k)
        if (same_name(fields[k], "DATE")) {
          date_column = k;
          header = true;
        }
      if (header) continue;
      while (date_column < fields.size() && parse_date(fields[date_column], day) == TimeParse::malformed) ++date_column;
      if (date_column == fields.size()) throw ToolError(path, n, "has no DATE column and no date");
    }
    if (fields.size() <= date_column) throw ToolError(path, n, "has no date");
    const TimeParse status = parse_date(fields[date_column], day);
    if (status != TimeParse::ok) bad_time(path, n, fields[date_column], status);
    if (fields.size() < date_column + 97)
      throw ToolError(path, n, fmt::format("has {} values after the date; 96 are needed", fields.size() - date_column - 1));
    if (days > 0) check_order(path, n, before * 86400, day * 86400);
    if (days == 0) {
      first_day = day;
      series = CalendarSeries(series.name(), TimePoint{Minutes{day * 1440}}, 0);
    }
    if (day - first_day > 300 * 366)
      throw ToolError(path, n, "the record would span more than 300 years: is the date right?");
    before = day;
    ++days;
    series.resize(static_cast<std::size_t>(day - first_day) * 96);  // absent days stay missing
    for (std::size_t j = 0; j < 96; ++j) {
      const std::string_view text = fields[date_column + 1 + j];
      double value = 0;
      switch (read_depth(text, value)) {
        case DepthKind::depth: {
          const double mm = value * mm_per_hundredth_inch;
          if (reaches_limit(mm, options.depth_limit))
            throw ToolError(path, n, depth_limit_message(day * 1440 + 15 * static_cast<std::int64_t>(j + 1), mm,
                                                         options.depth_limit));
          series.push_back(mm);
          break;
        }
        case DepthKind::missing: series.push_back_missing(); break;
        case DepthKind::malformed: bad_depth(path, n, text);
      }
    }
  }
  if (days == 0) throw ToolError(path, 0, "holds no day rows");
  facts.step_minutes = 15;
  facts.data_lines = days;
  return series;
}

}  // namespace raingen::gauge
