#include "gauge/read_options.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/shown_text.h"
#include "common/tool_error.h"
#include "gauge/reading_errors.h"
#include "gauge/record_times.h"

namespace raingen::gauge {

std::string_view format_name(Format format) {
  switch (format) {
    case Format::automatic: return "auto";
    case Format::tips: return "tips";
    case Format::csv: return "csv";
    case Format::swmm: return "swmm";
    case Format::noaa: return "noaa";
  }
  return "auto";
}

ReadOptions gauge_read_options(const std::string& id, const std::vector<std::pair<std::string, std::string>>& options) {
  ReadOptions read;
  for (const auto& [name, value] : options) {
    try {
      set_read_option(read, name, value);
    } catch (const common::UsageError& e) {
      throw common::UsageError(e.file(), fmt::format("gauge {}: {}", id, e.what()));
    }
  }
  return read;
}

std::optional<calendar::Day> parse_day(std::string_view text) {
  if (text.size() != 10 || text[4] != '-') return std::nullopt;
  calendar::Day day;
  if (parse_date(text, day) != TimeParse::ok) return std::nullopt;
  return day;
}

void set_read_option(ReadOptions& options, std::string_view name, std::string_view value) {
  using common::UsageError;
  if (name == "format") {
    for (Format f : {Format::automatic, Format::tips, Format::csv, Format::swmm, Format::noaa})
      if (value == format_name(f)) {
        options.format = f;
        return;
      }
    throw UsageError(fmt::format("format '{}' is none of auto, tips, csv, swmm, noaa", common::excerpt(value)));
  }
  if (name == "column") {
    if (value.empty()) throw UsageError("column: a column name is needed");
    options.column = value;
    return;
  }
  if (name == "swmm-station") {
    if (value.empty()) throw UsageError("swmm-station: a station name is needed");
    options.swmm_station = value;
    return;
  }
  if (name == "stamp") {
    if (value == "end")
      options.stamp = Stamp::end;
    else if (value == "start")
      options.stamp = Stamp::start;
    else
      throw UsageError(fmt::format("stamp '{}' is neither start nor end", value));
    return;
  }
  if (name == "from" || name == "to") {
    const auto day = parse_day(value);
    if (!day) throw UsageError(fmt::format("{} '{}' is not a day YYYY-MM-DD", name, value));
    (name == "from" ? options.from : options.to) = day;
    if (options.from && options.to && *options.to < *options.from)
      throw UsageError(fmt::format("to {} comes before from {}", calendar::day_text(*options.to),
                                   calendar::day_text(*options.from)));
    // Refused before any record is read: a series over these days would be made in full.
    if (options.from && options.to && (*options.to - *options.from).count() + 1 > longest_record_days)
      throw UsageError(fmt::format("from {} to {} is {} days: a record is kept over at most {} days (300 years)",
                                   calendar::day_text(*options.from), calendar::day_text(*options.to),
                                   (*options.to - *options.from).count() + 1, longest_record_days));
    return;
  }
  std::string names;
  for (const ReadingOption& option : reading_options) names += (names.empty() ? "" : ", ") + std::string(option.name);
  throw UsageError(fmt::format("'{}' is no reading option ({})", name, names));
}

std::string_view reading_rules_help() {
  return R"(Gauge records (the format is recognised from the content; --format forces one):
  tips   one row per bucket tip: time to the second, depth in mm, optional flag
         (dd/mm/yyyy hh:mm:ss,0.2,). A tip counts in the 15-minute interval that
         holds its instant. A row with depth 0 only marks the logger running; a row
         with no depth or flag V starts a gap, up to the next row. The record runs
         from its first row to its last; an interval is present when the logger
         ran all through it (rows count from their whole minute).
  csv    a time column (or a date and a time column) and depth columns in mm per
         step, with a header row naming them (--column NAME picks one; without a
         header, --column NUMBER). Times 2016-05-01 00:05[:00] ('T' allowed) or
         dd/mm/yyyy hh:mm, or a date alone (its midnight; a daily record's date
         names its day). Stamped at the interval's end unless --stamp start.
         Coarser than 15 minutes only as raingen-prepare --fragments-from made it.
         Empty, NA, NaN, -999, -9999 and negative depths are missing, and so are
         rows absent from the record's step: absent is missing, not dry.
  swmm   SWMM's rain file, STA YYYY MM DD HH MM VALUE, depths (VOLUME) in mm per
         interval, stamped at the interval's start unless --stamp end;
         --swmm-station picks a station. Only wet intervals are listed: the
         absent ones are dry, over the days --from/--to or from the file's first
         day to its last.
  noaa   NOAA's 15-minute precipitation CSV: one day per row, a DATE column, then
         96 values in hundredths of an inch (-9999 missing), converted to mm. Told
         from a CSV by its header (a DATE column with 96 after it) and rows that
         hold a day there, not by the number of columns.
Steps finer than 15 minutes (1, 5, 10 ...) are summed to 15 minutes (a reading
across a 15-minute boundary is split in proportion); a 15-minute sum is missing
if any part is. A step coarser than 15 minutes is refused. An interval is
(end - 15 min, end]; depths are mm per 15 minutes. --from/--to keep whole days
(intervals outside the record are missing), at most 300 years of them. A
15-minute depth of 1e9 mm or more, or an infinite reading, is an error.
)";
}

}  // namespace raingen::gauge
