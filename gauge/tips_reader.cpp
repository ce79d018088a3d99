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
#include <vector>

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

using calendar::IntervalIndex;
using common::ToolError;

struct TipRow {
  calendar::Instant time;
  double depth = 0;         // mm; 0 only marks the logger running
  bool gap_starts = false;  // no depth, or flag V: nothing is known until the next row
  long line = 0;
};

// The rows of a tip record, each after the one before; a first line without a time is a header.
class TipRows {
 public:
  explicit TipRows(common::LineReader& reader) : reader_(reader), path_(reader.path()) {}

  bool next(TipRow& row) {
    std::string_view line;
    while (reader_.next(line)) {
      if (trim(line).empty()) continue;
      if (separator_ == 0) separator_ = separator_of(line);
      split_fields(line, separator_ ? separator_ : ',', fields_);
      const TimeParse status = times_.read(fields_[0], row.time);
      if (first_line_) {
        first_line_ = false;
        if (status == TimeParse::malformed) continue;  // a header row
      }
      row.line = reader_.line_number();
      if (status != TimeParse::ok) bad_time(path_, row.line, fields_[0], status);
      if (fields_.size() < 2)
        throw ToolError(path_, row.line, "has no depth after the time (a tip row is: time, depth, flag)");
      if (rows_ > 0) check_order(path_, row.line, before_, row.time);
      before_ = row.time;
      ++rows_;
      const DepthKind kind = read_depth(fields_[1], row.depth);
      if (kind == DepthKind::malformed) bad_depth(path_, row.line, fields_[1]);
      if (kind == DepthKind::missing) row.depth = 0;
      row.gap_starts = kind == DepthKind::missing || (fields_.size() > 2 && same_name(fields_[2], "V"));
      return true;
    }
    return false;
  }

  long rows() const { return rows_; }

 private:
  common::LineReader& reader_;
  std::string path_;
  std::vector<std::string_view> fields_;
  InstantReader times_;
  char separator_ = 0;
  bool first_line_ = true;
  long rows_ = 0;
  calendar::Instant before_{};
};

// The tips summed into their intervals, and the periods the logger was known to run.
class TipTally {
 public:
  TipTally(std::string path, double depth_limit) : path_(std::move(path)), depth_limit_(depth_limit) {}

  void add(const TipRow& row) {
    const IntervalIndex interval = calendar::interval_holding(row.time);
    if (sums_.empty()) origin_ = interval;
    if (interval - origin_ >= longest_record_days * calendar::intervals_per_day) record_too_long(path_, row.line);
    if (interval - origin_ >= static_cast<IntervalIndex>(sums_.size()))
      sums_.resize(static_cast<std::size_t>(interval - origin_) + 1, 0.0);
    if (row.depth > 0) {
      double& sum = sums_[static_cast<std::size_t>(interval - origin_)];
      sum += row.depth;
      check_interval_depth(path_, row.line, interval, sum, depth_limit_);
    }
    const calendar::TimePoint minute = calendar::minute_of(row.time);
    if (!running_) {
      known_.push_back({minute, minute});
      running_ = true;
    }
    known_.back().to = minute;
    if (row.gap_starts) running_ = false;
  }

  // From the first row's interval to the last's: present where a known period covers the
  // interval whole.
  CalendarSeries series(std::string name) const {
    const IntervalIndex end = origin_ + static_cast<IntervalIndex>(sums_.size());
    CalendarSeries series(std::move(name), calendar::interval_start(origin_), sums_.size());
    for (const KnownPeriod& period : known_) {
      const IntervalIndex first = std::max(origin_, calendar::first_interval_from(period.from));
      const IntervalIndex last = std::min(end, calendar::interval_beginning(period.to));  // those that end by to
      for (IntervalIndex j = first; j < last; ++j)
        series.set_depth(static_cast<std::size_t>(j - origin_), sums_[static_cast<std::size_t>(j - origin_)]);
    }
    return series;
  }

 private:
  struct KnownPeriod {
    calendar::TimePoint from, to;
  };
  std::string path_;
  double depth_limit_;
  IntervalIndex origin_ = 0;  // the interval of the first row
  std::vector<double> sums_;
  std::vector<KnownPeriod> known_;
  bool running_ = false;  // inside a known period
};

}  // namespace

CalendarSeries read_tips(common::LineReader& lines, const ReadOptions& options, ReadFacts& facts) {
  const std::string& path = lines.path();
  TipRows rows(lines);
  TipTally tally(path, options.depth_limit);
  TipRow row;
  while (rows.next(row)) tally.add(row);
  if (rows.rows() == 0) throw ToolError(path, 0, "holds no tip rows");
  facts.step_minutes = 0;
  facts.data_lines = rows.rows();
  return tally.series(std::filesystem::path(path).stem().string());
}

}  // namespace raingen::gauge
