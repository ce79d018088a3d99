// Recognising a record's format from its first lines:
// - SWMM rain file: the first line that is not a comment has 7 blank-separated fields, the 2nd
//   to the 6th whole numbers (STA YYYY MM DD HH MM VALUE);
// - NOAA 15-minute CSV: a DATE column (or a date first) and rows of 97 fields or more;
// - tip records: a header that speaks of events, tips or flags, or times with seconds other
//   than :00 in the first rows (a logger's instants);
// - CSV of interval depths: a time and values otherwise.
#include <fmt/format.h>

#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/tool_error.h"
#include "gauge/fields.h"
#include "gauge/readers.h"
#include "gauge/record_times.h"

namespace raingen::gauge {

namespace {

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

}  // namespace

char separator_of(std::string_view line) {
  for (char c : {',', ';', '\t'})
    if (line.find(c) != std::string_view::npos) return c;
  return 0;
}

Format sniff_format(const std::string& path) {
  common::LineReader reader(path);
  std::string_view line;
  std::vector<std::string_view> fields;
  int seen = 0;
  bool header_seen = false, swmm_comments = false;
  char separator = 0;
  while (seen < 50 && reader.next(line)) {
    const std::string_view content = trim(line);
    if (content.empty()) continue;
    if (content.front() == ';') {
      swmm_comments = true;
      continue;
    }
    ++seen;
    if (seen == 1 && swmm_line(content)) return Format::swmm;
    if (seen == 1 && swmm_comments)
      throw common::ToolError(path, reader.line_number(), "is not a rain file line (STA YYYY MM DD HH MM VALUE)");
    if (separator == 0) separator = separator_of(content);
    split_fields(content, separator ? separator : ',', fields);
    calendar::Day day;
    calendar::Instant time;
    const bool dated = parse_date(fields[0], day) != TimeParse::malformed;
    if (seen == 1 && !dated && parse_instant(fields[0], time) == TimeParse::malformed) {
      header_seen = true;
      for (auto f : fields) {
        if (same_name(f, "DATE") && fields.size() >= 97) return Format::noaa;
        if (contains_word(f, "event") || contains_word(f, "tip") || same_name(f, "flag")) return Format::tips;
      }
      continue;
    }
    if (fields.size() >= 97) return Format::noaa;
    if (parse_instant(fields[0], time) == TimeParse::ok && time != calendar::minute_of(time)) return Format::tips;
  }
  if (seen == 0) throw common::ToolError(path, 0, "is empty");
  if (seen == 1 && header_seen) throw common::ToolError(path, 0, "holds a header and no readings");
  return Format::csv;
}

}  // namespace raingen::gauge
