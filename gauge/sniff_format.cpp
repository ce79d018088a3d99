// Recognising a record's format from its first lines:
// - SWMM rain file: the first line that is not a comment has 7 blank-separated fields, the 2nd
//   to the 6th whole numbers (STA YYYY MM DD HH MM VALUE);
// - NOAA 15-minute CSV: a header that names a DATE column with 96 columns after it (or, without a
//   header, a date alone first), and rows that each hold a day there, a value after it (not a
//   time of day) and 96 values: a CSV of many gauges has as many columns, but a time, not a day;
// - tip records: a header that speaks of events, tips or flags, or times with seconds other
//   than :00 in the first rows (a logger's instants);
// - CSV of interval depths: a time and values otherwise.
#include <optional>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/numbers.h"
#include "common/tool_error.h"
#include "gauge/fields.h"
#include "gauge/readers.h"
#include "gauge/record_times.h"

namespace raingen::gauge {

namespace {

constexpr int lines_looked_at = 50;

bool contains_word(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t k = 0; k + word.size() <= text.size(); ++k)
    if (same_name(text.substr(k, word.size()), word)) return true;
  return false;
}

bool swmm_line(std::string_view line) {
  std::vector<std::string_view> words;
  split_words(line, words);
  if (words.size() != 7) return false;
  for (std::size_t k = 1; k <= 5; ++k)
    if (!common::parse_integer(words[k])) return false;
  return true;
}

// A NOAA day row with its date in column d: a day there and no time of day after it.
bool noaa_day_row(const std::vector<std::string_view>& fields, std::size_t d) {
  calendar::Day day;
  calendar::Seconds of_day;
  return fields.size() > d + 1 && parse_date(fields[d], day) == TimeParse::ok &&
         parse_clock(fields[d + 1], of_day) == TimeParse::malformed;
}

// 96 values after column d, as a header names them or a row without a header holds them.
bool room_for_a_day(const std::vector<std::string_view>& fields, std::size_t d) {
  return fields.size() >= d + 1 + calendar::intervals_per_day;
}

}  // namespace

char separator_of(std::string_view line) {
  for (char c : {',', ';', '\t'})
    if (line.find(c) != std::string_view::npos) return c;
  return 0;
}

Format sniff_format(common::LineReader& lines) {
  const std::string& path = lines.path();
  std::string_view line;
  std::vector<std::string_view> fields;
  int seen = 0;
  bool header_seen = false, swmm_comments = false;
  char separator = 0;
  // The column of the day; the first two rows must hold a day there (a CSV's first row may be at
  // midnight, its second is not).
  std::optional<std::size_t> noaa_date;
  bool noaa_rows = true;
  int rows = 0;
  while (seen < lines_looked_at && lines.next(line)) {
    const std::string_view content = trim(line);
    if (content.empty()) continue;
    if (content.front() == ';') {
      swmm_comments = true;
      continue;
    }
    ++seen;
    if (seen == 1 && swmm_line(content)) return Format::swmm;
    if (seen == 1 && swmm_comments)
      throw common::ToolError(path, lines.line_number(), "is not a rain file line (STA YYYY MM DD HH MM VALUE)");
    if (separator == 0) separator = separator_of(content);
    split_fields(content, separator ? separator : ',', fields);
    calendar::Day day;
    calendar::Instant time;
    const bool dated = parse_date(fields[0], day) != TimeParse::malformed;
    const bool timed = parse_instant(fields[0], time) != TimeParse::malformed;
    if (seen == 1 && !dated && !timed) {
      // No header either when a later column holds a day with 96 values after it (a station first).
      std::size_t d = 1;
      while (d < fields.size() && parse_date(fields[d], day) == TimeParse::malformed) ++d;
      if (d < fields.size() && room_for_a_day(fields, d) && noaa_day_row(fields, d)) {
        noaa_date = d;
        ++rows;
        continue;
      }
      header_seen = true;
      for (std::size_t k = 0; k < fields.size(); ++k) {
        if (same_name(fields[k], "DATE") && room_for_a_day(fields, k)) noaa_date = k;
        if (contains_word(fields[k], "event") || contains_word(fields[k], "tip") || same_name(fields[k], "flag"))
          return Format::tips;
      }
      continue;
    }
    if (seen == 1 && dated && !timed && room_for_a_day(fields, 0)) noaa_date = 0;  // no header: a date alone first
    if (noaa_date && rows++ < 2) noaa_rows = noaa_rows && noaa_day_row(fields, *noaa_date);
    if (timed && parse_instant(fields[0], time) == TimeParse::ok && time != calendar::minute_of(time))
      return Format::tips;
  }
  if (seen == 0 && lines.look_ahead_full())
    throw common::ToolError(
        path, 0, fmt::format("holds no record line in its first {} bytes", common::LineReader::longest_look_ahead));
  if (seen == 0) throw common::ToolError(path, 0, "is empty");
  if (seen == 1 && header_seen) throw common::ToolError(path, 0, "holds a header and no readings");
  if (noaa_date && noaa_rows) return Format::noaa;
  return Format::csv;
}

}  // namespace raingen::gauge
