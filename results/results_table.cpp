#include "results/results_table.h"

#include <array>
#include <string_view>

#include "calendar/interval.h"
#include "common/text.h"
#include "common/tool_error.h"

namespace raingen::results {

namespace {

constexpr std::string_view title = "SYNTHETIC RAINFALL GENERATION";

// Lines 2 to 14 of a results file: how each begins (blank lines are only blanks).
struct HeadingLine {
  std::string_view begins;
  bool blank;
};
constexpr std::array<HeadingLine, 13> heading_after_title{{
    {"", true},
    {"SITE NAME:", false},
    {"STATION #1:", false},
    {"STATION #2:", false},
    {"STATION #3:", false},
    {"", true},
    {"DISTANCE TO SITE:", false},
    {"STATION #1:", false},
    {"STATION #2:", false},
    {"STATION #3:", false},
    {"", true},
    {"", true},
    {"   TIME(MIN) RAINFALL", false},
}};

bool only_blanks(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

std::string trimmed(std::string_view text) { return std::string(common::trimmed(text, " ")); }

}  // namespace

ResultsTable::ResultsTable(const std::string& path) : lines_(path) {
  std::string_view first;
  if (!lines_.next(first)) throw common::ToolError(path, 0, "is empty: no table rows");
  if (first == title) {
    source_ = TableSource::results_file;
    read_heading();
  } else if (looks_like_table_row(first)) {
    source_ = TableSource::source_out;
    pending_ = first;
  } else {
    fail("neither a results file (its first line would be '" + std::string(title) +
         "') nor SOURCE.OUT (a first row like '          15     .000')");
  }
}

void ResultsTable::read_heading() {
  for (const HeadingLine& expected : heading_after_title) {
    std::string_view line;
    if (!lines_.next(line)) throw common::ToolError(path(), line_number(), "the results file ends inside its heading");
    const bool good = expected.blank ? only_blanks(line) : line.substr(0, expected.begins.size()) == expected.begins;
    if (!good)
      fail(expected.blank ? std::string("a blank line of the results file's heading was expected")
                          : "the results file's heading has '" + std::string(expected.begins) + "' here");
    if (expected.begins == "SITE NAME:") {
      std::string name = trimmed(line.substr(expected.begins.size()));
      if (!name.empty()) site_name_ = std::move(name);
    }
  }
}

void ResultsTable::fail(const std::string& what) const { throw common::ToolError(path(), line_number(), what); }

bool ResultsTable::next(TableRow& row) {
  if (ended_) return false;
  std::string_view line;
  if (pending_) {
    line = *pending_;
    pending_.reset();
  } else if (!lines_.next(line)) {
    ended_ = true;
    if (rows_ == 0) throw common::ToolError(path(), 0, "has no table rows");
    if (rows_ % calendar::intervals_per_day != 0)
      fail("the table ends part way through day " + std::to_string(rows_ / calendar::intervals_per_day + 1) +
           ", after " + std::to_string(rows_ % calendar::intervals_per_day) + " of its 96 rows: the file is cut short");
    return false;
  }
  auto parsed = parse_table_row(line);
  if (auto* what = std::get_if<std::string>(&parsed)) fail(*what);
  const TableRow& got = std::get<TableRow>(parsed);
  const calendar::Minutes expected = (rows_ + 1) * calendar::interval_length;
  if (got.minutes != expected)
    fail("the time is " + std::to_string(got.minutes.count()) + " where " + std::to_string(expected.count()) +
         " was due: the table's times step by 15 minutes from 15");
  row = got;
  ++rows_;
  return true;
}

}  // namespace raingen::results
