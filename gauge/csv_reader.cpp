// CSV of interval depths. The first column holds the time (or the first holds the date and the
// second the time of day); the other columns hold depths in mm per step. A header row, when the
// first line has one, names the columns, and --column picks one by name (or by number, counting
// from 1, in a file without a header). The record's step is the smallest spacing of the first
// 1000 rows; every row must lie on that step from the first, and rows absent from it are missing.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/shown_text.h"
#include "common/tool_error.h"
#include "gauge/coarse_record.h"
#include "gauge/fields.h"
#include "gauge/fragments.h"
#include "gauge/interval_sums.h"
#include "gauge/readers.h"
#include "gauge/reading_errors.h"
#include "gauge/record_step.h"

namespace raingen::gauge {

namespace {

using calendar::Minutes;
using common::ToolError;
using common::UsageError;

constexpr std::size_t step_rows = 1000;  // the rows the step is told from

struct Layout {
  char separator = ',';
  bool split_time = false;  // date and time of day in two columns
  std::size_t value_column = 1;
  std::string name;
};

bool looks_like_time(const std::vector<std::string_view>& fields, bool& split_time) {
  calendar::Instant time;
  calendar::Day day;
  calendar::Seconds of_day;
  if (fields.empty()) return false;
  if (parse_instant(fields[0], time) != TimeParse::malformed) {
    split_time = false;
    return true;
  }
  if (fields.size() > 1 && parse_date(fields[0], day) != TimeParse::malformed &&
      parse_clock(fields[1], of_day) != TimeParse::malformed) {
    split_time = true;
    return true;
  }
  split_time = false;  // a date alone
  return parse_date(fields[0], day) != TimeParse::malformed;
}

// Fills fields with the first fields.size() fields of line, trimmed; returns how many it has.
std::size_t leading_fields(std::string_view line, char separator, std::vector<std::string_view>& fields) {
  const char* at = line.data();
  const char* const end = at + line.size();
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const char* stop = at;
    while (stop != end && *stop != separator) ++stop;  // fields are short: no call for each
    fields[k] = trim(std::string_view(at, static_cast<std::size_t>(stop - at)));
    if (stop == end) return k + 1;
    at = stop + 1;
  }
  return fields.size();
}

// The names of the value columns, each an excerpt, the list cut after a few hundred bytes.
std::string column_list(const std::vector<std::string>& names, std::size_t first) {
  std::string list;
  for (std::size_t k = first; k < names.size(); ++k) {
    if (list.size() > 400) return fmt::format("{}, ... ({} in all)", list, names.size() - first);
    list += (list.empty() ? "" : ", ") + common::excerpt(names[k]);
  }
  return list;
}

// Which column holds the depths, from the header (if any) and the option.
std::size_t pick_column(const std::string& path, const std::vector<std::string>& header, std::size_t time_columns,
                        std::size_t data_columns, const std::string& wanted) {
  if (!header.empty()) {
    if (!wanted.empty()) {
      for (std::size_t k = time_columns; k < header.size(); ++k)
        if (header[k] == wanted) return k;
      for (std::size_t k = time_columns; k < header.size(); ++k)
        if (same_name(header[k], wanted)) return k;
      throw UsageError(path, fmt::format("no column '{}'; its value columns are: {}", common::excerpt(wanted),
                                         column_list(header, time_columns)));
    }
    if (header.size() == time_columns + 1) return time_columns;
    throw UsageError(
        path, fmt::format("several value columns ({}): pick one with --column", column_list(header, time_columns)));
  }
  if (!wanted.empty()) {
    const auto number = common::parse_integer(wanted);
    if (!number || *number <= static_cast<long>(time_columns) || *number > static_cast<long>(data_columns))
      throw UsageError(path, fmt::format("has no header row; --column must be a column number from {} to {}",
                                         time_columns + 1, data_columns));
    return static_cast<std::size_t>(*number - 1);
  }
  if (data_columns == time_columns + 1) return time_columns;
  throw UsageError(path, fmt::format("{} value columns and no header row: pick one with --column NUMBER",
                                     data_columns - time_columns));
}

class CsvRows {
 public:
  CsvRows(common::LineReader& reader, const ReadOptions& options) : reader_(reader), path_(reader.path()) {
    const std::string& path = path_;
    std::string_view line;
    if (!next_content(line)) throw ToolError(path, 0, "holds no readings");
    layout_.separator = separator_of(line);
    split_fields(line, layout_.separator ? layout_.separator : ',', fields_);
    std::vector<std::string> header;
    std::size_t columns = fields_.size();
    if (!looks_like_time(fields_, layout_.split_time)) {
      for (auto f : fields_) header.emplace_back(f);
      if (!next_content(line)) throw ToolError(path, 0, "holds no readings, only a header");
      split_fields(line, layout_.separator ? layout_.separator : ',', fields_);
      looks_like_time(fields_, layout_.split_time);
      columns = std::max(columns, fields_.size());
    }
    pending_ = true;
    if (layout_.separator == 0)
      throw ToolError(path, reader_.line_number(), "has no separator (',', ';' or tab) between a time and a value");
    const std::size_t time_columns = layout_.split_time ? 2 : 1;
    layout_.value_column = pick_column(path, header, time_columns, columns, options.column);
    layout_.name = header.empty() ? std::filesystem::path(path).stem().string() : header[layout_.value_column];
  }

  const Layout& layout() const { return layout_; }

  // About how many 15-minute intervals the whole file holds, from its size and the length of the
  // lines read so far (a little more, so that the guess is seldom short).
  std::size_t expected_intervals(Minutes step) const {
    const auto size = reader_.size_hint();
    if (size == 0 || bytes_seen_ == 0 || lines_seen_ == 0) return 0;
    const double lines = static_cast<double>(size) / (static_cast<double>(bytes_seen_) / lines_seen_);
    return static_cast<std::size_t>(lines * 1.02 * static_cast<double>(step.count()) / calendar::minutes_per_interval) +
           1024;
  }

  // The next row, false at the end of the file.
  bool next(Reading& row) {
    std::string_view line;
    if (pending_) {
      pending_ = false;  // fields_ already holds the first data row
      if (fields_.size() <= layout_.value_column)
        throw ToolError(path_, reader_.line_number(),
                        fmt::format("has {} fields; the depth is field {}", fields_.size(), layout_.value_column + 1));
    } else {
      if (!next_content(line)) return false;
      if (fields_.size() != layout_.value_column + 1) fields_.resize(layout_.value_column + 1);
      const std::size_t count = leading_fields(line, layout_.separator, fields_);
      if (count <= layout_.value_column)
        throw ToolError(path_, reader_.line_number(),
                        fmt::format("has {} fields; the depth is field {}", count, layout_.value_column + 1));
    }
    row.line = reader_.line_number();
    calendar::Instant time;
    if (!layout_.split_time) {
      TimeParse status = times_.read(fields_[0], time);
      calendar::Day day;
      if (status == TimeParse::malformed && (status = parse_date(fields_[0], day)) == TimeParse::ok)
        time = calendar::Instant{day};  // a date alone: its midnight (a daily record's day, read_coarse_rows)
      else if (status == TimeParse::malformed)
        status = times_.read(fields_[0], time);  // for the message of a time
      if (status != TimeParse::ok) bad_time(path_, row.line, fields_[0], status);
    } else {
      calendar::Day day;
      calendar::Seconds of_day;
      TimeParse status = parse_date(fields_[0], day);
      if (status != TimeParse::ok) bad_time(path_, row.line, fields_[0], status);
      status = parse_clock(fields_[1], of_day);
      if (status != TimeParse::ok) bad_time(path_, row.line, fields_[1], status);
      time = day + of_day;
    }
    row.time = calendar::minute_of(time);
    if (time != row.time)
      throw ToolError(path_, row.line,
                      fmt::format("time '{}' has seconds: the times of interval depths are whole "
                                  "minutes (for a tip record, give --format tips)",
                                  common::excerpt(fields_[0])));
    const std::string_view text = fields_[layout_.value_column];
    switch (read_depth(text, row.depth)) {
      case DepthKind::depth: break;
      case DepthKind::missing: row.depth = CalendarSeries::missing_value(); break;
      case DepthKind::malformed: bad_depth(path_, row.line, text);
    }
    return true;
  }

 private:
  bool next_content(std::string_view& line) {
    while (reader_.next(line)) {
      bytes_seen_ += line.size() + 1;
      ++lines_seen_;
      if (!trim(line).empty() && line.front() != '#') return true;
    }
    return false;
  }

  common::LineReader& reader_;
  std::string path_;
  Layout layout_;
  std::vector<std::string_view> fields_;
  InstantReader times_;
  bool pending_ = false;
  std::size_t bytes_seen_ = 0, lines_seen_ = 0;
};

// A row must lie a whole number of steps from the first.
void check_on_step(const std::string& path, const Reading& r, calendar::TimePoint origin, Minutes step) {
  if ((r.time - origin) % step != Minutes{0})
    throw ToolError(path, r.line,
                    fmt::format("time {} is off the record's {}-minute step (from {})", calendar::minute_text(r.time),
                                step.count(), calendar::minute_text(origin)));
}

// Gives take each row, those read to tell the step and then the rest of the file; returns how many.
template <class Take>
long each_row(const std::vector<Reading>& first, CsvRows& rows, Take take) {
  long count = 0;
  for (const Reading& r : first) take(r), ++count;
  Reading row{};
  while (rows.next(row)) take(row), ++count;
  return count;
}

// Every row into the 15-minute grid: those read to tell the step, then the rest of the file.
// A row must lie a whole number of steps from the first.
CalendarSeries sum_rows(const std::string& path, CsvRows& rows, const std::vector<Reading>& first, Minutes step,
                        const ReadOptions& options, ReadFacts& facts) {
  IntervalSums sums(path, step, options.depth_limit);
  sums.expect(rows.expected_intervals(step));
  const bool start_stamped = options.stamp == Stamp::start;
  const calendar::TimePoint origin = first.front().time;
  calendar::TimePoint before = origin - step;
  auto take = [&](const Reading& r) {
    if (r.time - before != step) {
      check_order(path, r.line, before, r.time);
      check_on_step(path, r, origin, step);
    }
    before = r.time;
    sums.add(start_stamped ? r.time + step : r.time, r.depth, r.line);
  };
  facts.data_lines = each_row(first, rows, take);
  facts.step_minutes = static_cast<int>(step.count());
  return sums.take_series(rows.layout().name, sums.first_interval(), sums.end_interval(), false);
}

// A record coarser than 15 minutes, row by row, made 15-minute from the fragments. A daily record
// whose times are all midnight names each day by its date unless --stamp says otherwise.
CalendarSeries read_coarse_rows(const std::string& path, CsvRows& rows, const std::vector<Reading>& first, Minutes step,
                                const ReadOptions& options, ReadFacts& facts) {
  check_coarse_step(path, first[1].line, step);
  const calendar::TimePoint origin = first.front().time;
  if (!calendar::on_grid(origin))
    throw ToolError(path, first.front().line,
                    fmt::format("time {} is not on a quarter hour: the 15-minute intervals cannot divide its step",
                                calendar::minute_text(origin)));
  const bool daily_dates = step == Minutes{calendar::minutes_per_day} && !options.stamp &&
                           calendar::minute_number(origin) % calendar::minutes_per_day == 0;
  const bool start_stamped = options.stamp == Stamp::start || daily_dates;
  CoarseRecord record{.path = path,
                      .name = rows.layout().name,
                      .step = step,
                      .first_end = start_stamped ? origin + step : origin,
                      .values = {},
                      .lines = {}};
  calendar::TimePoint before = origin - step;
  auto take = [&](const Reading& r) {
    check_order(path, r.line, before, r.time);
    check_on_step(path, r, origin, step);
    before = r.time;
    const auto steps = (r.time - origin) / step;
    if (steps > longest_record_days * calendar::minutes_per_day / step.count()) record_too_long(path, r.line);
    const auto at = static_cast<std::size_t>(steps);
    record.values.resize(at + 1, CalendarSeries::missing_value());
    record.lines.resize(at + 1, 0);
    record.values[at] = r.depth;
    record.lines[at] = r.line;
  };
  facts.data_lines = each_row(first, rows, take);
  facts.step_minutes = static_cast<int>(step.count());
  FragmentFacts made;
  CalendarSeries series = make_fine(record, *options.fragments, options.depth_limit, made);
  facts.fragments = made;
  return series;
}

}  // namespace

CalendarSeries read_csv(common::LineReader& lines, const ReadOptions& options, ReadFacts& facts) {
  const std::string& path = lines.path();
  CsvRows rows(lines, options);
  // Each row's order is checked as it comes, so that a row out of order is named before a bad
  // row after it.
  std::vector<Reading> first;
  Reading row{};
  while (first.size() < step_rows && rows.next(row)) {
    if (!first.empty()) check_order(path, row.line, first.back().time, row.time);
    first.push_back(row);
  }
  const std::optional<Minutes> step = infer_step(path, first, options.fragments != nullptr);
  if (!step) throw ToolError(path, 0, "has fewer than two readings: its step cannot be told");
  if (*step > calendar::interval_length) return read_coarse_rows(path, rows, first, *step, options, facts);
  return sum_rows(path, rows, first, *step, options, facts);
}

}  // namespace raingen::gauge
