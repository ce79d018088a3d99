// Reading the program's results table: both files of a real run, the heading, and every way a
// table can be wrong, each named with its file and line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/tool_error.h"
#include "results/results_series.h"
#include "results/results_table.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
using raingen::results::ResultsTable;
using raingen::results::TableRow;
using raingen::results::TableSource;

std::string row(long minutes, const char* depth) {
  char text[64];
  std::snprintf(text, sizeof text, "%12ld%9s\r\n", minutes, depth);
  return text;
}

// Whole days of dry rows, except the rows given.
std::string table(int days, const std::vector<std::pair<long, const char*>>& wet = {}) {
  std::string text;
  for (long t = 15; t <= days * 1440L; t += 15) {
    const char* depth = ".000";
    for (const auto& [minutes, value] : wet)
      if (minutes == t) depth = value;
    text += row(t, depth);
  }
  return text;
}

std::string heading(const std::string& site_field) {
  return "SYNTHETIC RAINFALL GENERATION\r\n  \r\nSITE NAME:  " + site_field +
         "\r\nSTATION #1: KARO\r\nSTATION #2: MELV\r\nSTATION #3: TWIN\r\n" + std::string(25, ' ') +
         "\r\nDISTANCE TO SITE:\r\nSTATION #1:   4\r\nSTATION #2:   7\r\nSTATION #3:  11\r\n  \r\n  \r\n"
         "   TIME(MIN) RAINFALL\r\n";
}

std::vector<TableRow> all_rows(ResultsTable& results) {
  std::vector<TableRow> rows;
  TableRow row;
  while (results.next(row)) rows.push_back(row);
  return rows;
}

TEST(ResultsTable, BothFilesOfARealRunGiveTheSameRows) {
  TempDir dir;
  run_example(dir);
  ResultsTable results((dir / "RESULTS.TXT").string());
  ResultsTable source((dir / "SOURCE.OUT").string());
  EXPECT_EQ(results.source(), TableSource::results_file);
  EXPECT_EQ(results.site_name(), "HILLCREST");
  EXPECT_EQ(source.source(), TableSource::source_out);
  EXPECT_EQ(source.site_name(), std::nullopt);

  const std::vector<TableRow> from_results = all_rows(results), from_source = all_rows(source);
  ASSERT_EQ(from_results.size(), 365u * 96u);
  ASSERT_EQ(from_source.size(), from_results.size());
  long wet = 0;
  for (std::size_t k = 0; k < from_results.size(); ++k) {
    EXPECT_EQ(from_results[k].minutes.count(), static_cast<long>(k + 1) * 15);
    EXPECT_EQ(from_source[k].minutes, from_results[k].minutes);
    EXPECT_EQ(from_source[k].thousandths, from_results[k].thousandths);
    wet += from_results[k].thousandths > 0;
  }
  EXPECT_GT(wet, 100);
  EXPECT_EQ(results.line_number(), 14 + 365 * 96);

  // The series: day 1 at the given start, every interval present, depths as in the table.
  using namespace std::chrono;
  const raingen::calendar::TimePoint day_one = date::sys_days(date::year{2004} / 2 / 28) + 6h;
  const raingen::gauge::CalendarSeries series =
      raingen::results::read_results_series((dir / "RESULTS.TXT").string(), day_one);
  EXPECT_EQ(series.name(), "HILLCREST");
  EXPECT_EQ(series.start(), day_one);
  ASSERT_EQ(series.size(), from_results.size());
  for (std::size_t k = 0; k < series.size(); ++k) ASSERT_EQ(series.depth(k), from_results[k].thousandths / 1000.0);
  EXPECT_EQ(raingen::results::read_results_series((dir / "SOURCE.OUT").string(), day_one).name(), "SITE");
}

TEST(ResultsTable, HeadingWithABlankSiteAndValuesOfEveryWidth) {
  TempDir dir;
  // LF line ends alone read the same; the widest value touches the time's columns.
  std::string text =
      heading("           ") + table(1, {{15, ".069"}, {30, "12.500"}, {45, "99999.999"}, {1440, "1.000"}});
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  dir.write("R.TXT", text);
  ResultsTable results((dir / "R.TXT").string());
  EXPECT_EQ(results.site_name(), std::nullopt);
  EXPECT_EQ(raingen::results::default_series_name(results), "SITE");
  const std::vector<TableRow> rows = all_rows(results);
  ASSERT_EQ(rows.size(), 96u);
  EXPECT_EQ(rows[0].thousandths, 69);
  EXPECT_EQ(rows[1].thousandths, 12500);
  EXPECT_EQ(rows[2].thousandths, 99999999);
  EXPECT_EQ(rows[3].thousandths, 0);
  EXPECT_EQ(rows[95].thousandths, 1000);
}

struct BadTable {
  const char* what;
  std::string text;
  std::string message;  // after "T.TXT"
};

TEST(ResultsTable, EveryFaultNamedWithFileAndLine) {
  const std::string day = table(1);
  std::string stepped = table(1);
  stepped.replace(2 * 23, 23, row(60, ".000"));
  std::string cut_heading = heading("HILLCREST  ");
  cut_heading.resize(cut_heading.find("STATION #2"));
  std::string no_site = heading("HILLCREST  ");
  no_site.replace(no_site.find("SITE NAME"), 4, "SPOT");
  const std::vector<BadTable> cases = {
      {"empty", "", ": is empty: no table rows"},
      {"heading only", heading("HILLCREST  "), ": has no table rows"},
      {"neither kind", "RAINFALL\r\n" + day,
       ":1: neither a results file (its first line would be 'SYNTHETIC RAINFALL GENERATION') nor SOURCE.OUT "
       "(a first row like '          15     .000')"},
      {"heading cut", cut_heading, ":4: the results file ends inside its heading"},
      {"heading changed", no_site + day, ":3: the results file's heading has 'SITE NAME:' here"},
      {"heading without its blank line", heading("X").replace(31, 2, "xx") + day,
       ":2: a blank line of the results file's heading was expected"},
      {"short row", row(15, ".000") + "          30  .000\r\n",
       ":2: not a table row: a row has 21 columns, the time in 1-12 and the depth in 13-21 (this line has 18)"},
      {"depth asterisks", row(15, ".000") + row(30, "*********"),
       ":2: the depth is asterisks: the value did not fit its 9 columns when the program wrote it"},
      {"time asterisks", std::string(12, '*') + "     .000\r\n",
       ":1: the time is asterisks: the program could not write it in its 12 columns"},
      {"negative depth", row(15, "-.254"), ":1: the depth '    -.254' is negative"},
      {"two decimals", row(15, ".25"), ":1: the depth '      .25' is not a number with three decimals"},
      {"comma", row(15, "0,250"), ":1: the depth '    0,250' is not a number with three decimals"},
      {"blank depth", row(15, ""), ":1: the depth '         ' is not a number with three decimals"},
      {"time with a sign", "         +15     .000\r\n", ":1: the time '         +15' is not a whole number of minutes"},
      {"out of step", stepped, ":3: the time is 60 where 45 was due: the table's times step by 15 minutes from 15"},
      {"first time not 15", row(30, ".000"),
       ":1: the time is 30 where 15 was due: the table's times step by 15 minutes from 15"},
      {"day cut short", day + row(1455, ".000"),
       ":97: the table ends part way through day 2, after 1 of its 96 rows: the file is cut short"},
      {"line after the table", day + "\r\n",
       ":97: not a table row: a row has 21 columns, the time in 1-12 and the depth in 13-21 (this line has 0)"},
  };
  TempDir dir;
  for (const BadTable& bad : cases) {
    dir.write("T.TXT", bad.text);
    const std::string path = (dir / "T.TXT").string();
    try {
      ResultsTable results(path);
      all_rows(results);
      ADD_FAILURE() << bad.what << ": no error";
    } catch (const raingen::common::ToolError& error) {
      EXPECT_EQ(raingen::common::located_message(error), path + bad.message) << bad.what;
    }
  }
}

}  // namespace
