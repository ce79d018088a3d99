// Reading gauge records into the 15-minute calendar series: every format, the cut-outs of the
// real tip records of examples/pau01, sums counted by hand, and one message for each bad line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <string>
#include <tuple>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/tool_error.h"
#include "gauge/coarse_record.h"
#include "gauge/fragments.h"
#include "gauge/read_gauge.h"
#include "gauge/record_times.h"
#include "support/child.h"

namespace {

using namespace raingen::gauge;
using raingen::common::ToolError;
using raingen::common::UsageError;
using testing_support::TempDir;

// "END-OF-FIRST-INTERVAL v v - v": depths (to 6 decimals), "-" where missing; or the message.
std::string read_shown(const std::string& bytes, const std::vector<std::pair<std::string, std::string>>& options = {},
                       ReadFacts* facts = nullptr) {
  TempDir dir;
  dir.write("r.csv", bytes);
  ReadOptions o;
  try {
    for (const auto& [name, value] : options) set_read_option(o, name, value);
    const CalendarSeries s = read_gauge((dir / "r.csv").string(), o, facts);
    std::string out = raingen::calendar::minute_text(s.interval_end(0));
    for (std::size_t k = 0; k < s.size(); ++k)
      out += s.present(k) ? fmt::format(" {:g}", std::round(s.depth(k) * 1e6) / 1e6) : " -";
    return out;
  } catch (const ToolError& e) {
    std::string message = raingen::common::located_message(e);
    return message.substr(message.find("r.csv"));
  } catch (const UsageError& e) {
    const std::string message = raingen::common::located_message(e);
    return "usage: " + (e.file().empty() ? message : message.substr(message.find("r.csv")));
  }
}

struct Case {
  const char* what;
  std::string bytes;
  std::vector<std::pair<std::string, std::string>> options;
  std::string expected;
};

TEST(ReadGauge, IntervalCsv) {
  std::string all_missing_day;
  for (int k = 0; k < 96; ++k) all_missing_day += " -";
  const std::string five =
      "time,rain\n2016-05-01 00:05,0.1\n2016-05-01 00:10,0.2\n2016-05-01 00:15,0.3\n"
      "2016-05-01 00:20,0\n2016-05-01 00:25,1\n2016-05-01 00:30,0\n";
  const Case cases[] = {
      {"5-minute depths summed", five, {}, "2016-05-01 00:15 0.6 1"},
      {"start stamps shift by one step", five, {{"stamp", "start"}}, "2016-05-01 00:15 - 1.3 -"},
      {"T, seconds and Z", "t,r\n2016-05-01T00:15:00Z,1.5\n2016-05-01T00:30:00Z,2\n", {}, "2016-05-01 00:15 1.5 2"},
      {"dd/mm/yyyy, one-digit parts, no header", "1/5/2016 0:15,1\n1/5/2016 0:30,2\n", {}, "2016-05-01 00:15 1 2"},
      {"date and time columns, ';'",
       "Date;Time;P\n2016-05-01;00:15;1\n2016-05-01;00:30;2\n",
       {},
       "2016-05-01 00:15 1 2"},
      {"24:00 ends the day",
       "t,r\n2016-05-01 23:45,1\n2016-05-01 24:00,2\n2016-05-02 00:15,3\n",
       {},
       "2016-05-01 23:45 1 2 3"},
      {"missing marks make the sum missing",
       "t,r\n2016-05-01 00:05,NA\n2016-05-01 00:10,1\n2016-05-01 00:15,1\n2016-05-01 00:20,1\n"
       "2016-05-01 00:25,-999\n2016-05-01 00:30,1\n2016-05-01 00:35,\n2016-05-01 00:40,1\n2016-05-01 00:45,1\n"
       "2016-05-01 00:50,-0.1\n2016-05-01 00:55,1\n2016-05-01 01:00,1\n2016-05-01 01:05,NaN\n2016-05-01 01:10,-9999\n"
       "2016-05-01 01:15,1\n",
       {},
       "2016-05-01 00:15 - - - - -"},
      {"absent rows are missing, not dry",
       "t,r\n2016-05-01 00:05,1\n2016-05-01 00:10,1\n2016-05-01 00:15,1\n2016-05-01 00:25,0\n2016-05-01 00:30,0\n"
       "2016-05-01 00:35,0\n2016-05-01 00:40,0\n2016-05-01 00:45,0\n",
       {},
       "2016-05-01 00:15 3 - 0"},
      {"10-minute step: split in proportion",
       "t,r\n2016-05-01 00:10,1\n2016-05-01 00:20,2\n2016-05-01 00:30,3\n",
       {},
       "2016-05-01 00:15 2 4"},
      {"a column picked by name",
       "t,a,b\n2016-05-01 00:15,1,5\n2016-05-01 00:30,2,6\n",
       {{"column", "B"}},
       "2016-05-01 00:15 5 6"},
      {"a column picked by number",
       "2016-05-01 00:15,1,5\n2016-05-01 00:30,2,6\n",
       {{"column", "3"}},
       "2016-05-01 00:15 5 6"},
      {"from/to keep whole days",
       "t,r\n2016-05-01 23:45,1\n2016-05-02 00:00,2\n",
       {{"from", "2016-05-02"}, {"to", "2016-05-02"}},
       "2016-05-02 00:15" + all_missing_day},
      // What the record gets wrong: one message naming the line.
      {"hourly",
       "t,r\n2016-05-01 01:00,1\n2016-05-01 02:00,1\n",
       {},
       "r.csv:3: the record's step is 60 minutes; 15 minutes or finer is needed"},
      {"malformed time",
       "t,r\n2016-05-01 00:15,1\n2016-05-01 0015,1\n",
       {},
       "r.csv:3: '2016-05-01 0015' is not a time (YYYY-MM-DD hh:mm[:ss] or dd/mm/yyyy hh:mm[:ss])"},
      {"impossible date",
       "t,r\n2016-02-28 00:15,1\n2016-02-30 00:30,1\n",
       {},
       "r.csv:3: '2016-02-30 00:30' is not a time of the calendar"},
      {"impossible hour",
       "t,r\n2016-02-28 00:15,1\n2016-02-28 24:15,1\n",
       {},
       "r.csv:3: '2016-02-28 24:15' is not a time of the calendar"},
      {"out of order",
       "t,r\n2016-05-01 00:15,1\n2016-05-01 00:30,1\n2016-05-01 00:20,1\n",
       {},
       "r.csv:4: time 2016-05-01 00:20 comes before the time of the reading before (2016-05-01 00:30): readings "
       "must be in time order"},
      {"repeated",
       "t,r\n2016-05-01 00:15,1\n2016-05-01 00:30,1\n2016-05-01 00:30,1\n",
       {},
       "r.csv:4: time 2016-05-01 00:30 repeats the time of the reading before"},
      {"not a depth",
       "t,r\n2016-05-01 00:15,1\n2016-05-01 00:30,1,5mm\n2016-05-01 00:45,x1\n",
       {},
       "r.csv:4: 'x1' is not a depth"},
      {"a field short",
       "t,a,b\n2016-05-01 00:15,1,2\n2016-05-01 00:30,1\n",
       {{"column", "b"}},
       "r.csv:3: has 2 fields; the depth is field 3"},
      {"off the step",
       "t,r\n2016-05-01 00:05,1\n2016-05-01 00:10,1\n2016-05-01 00:22,1\n",
       {},
       "r.csv:4: time 2016-05-01 00:22 is off the record's 5-minute step (from 2016-05-01 00:05)"},
      {"seconds",
       "t,r\n2016-05-01 00:05:00,1\n2016-05-01 00:10:30,1\n",
       {{"format", "csv"}},
       "r.csv:3: time '2016-05-01 00:10:30' has seconds: the times of interval depths are whole minutes (for a "
       "tip record, give --format tips)"},
      {"one row", "t,r\n2016-05-01 00:05,1\n", {}, "r.csv: has fewer than two readings: its step cannot be told"},
      {"several columns",
       "t,a,b\n2016-05-01 00:15,1,5\n",
       {},
       "usage: r.csv: several value columns (a, b): pick one with --column"},
      {"no such column",
       "t,a\n2016-05-01 00:15,1\n",
       {{"column", "z"}},
       "usage: r.csv: no column 'z'; its value columns are: a"},
      {"an option of another format",
       "t,a\n2016-05-01 00:15,1\n",
       {{"swmm-station", "z"}},
       "usage: r.csv: --swmm-station does not apply to a record read as csv"},
  };
  for (const Case& c : cases) EXPECT_EQ(read_shown(c.bytes, c.options), c.expected) << c.what;
}

// A 1-minute record at the boundaries of its 15-minute intervals: a reading ending on an
// interval's end belongs to it, one a minute later to the next; an interval short of one of its
// 15 minutes is missing, over the record's own span and over the days of --from/--to alike.
TEST(ReadGauge, OneMinuteStepAtTheIntervalBoundaries) {
  // Minutes first..last of 2016-05-01 (1440: 24:00), 0.1 mm each, leaving out the given minutes.
  const auto minutes = [](int first, int last, std::vector<int> absent = {}) {
    std::string text = "time,rain\n";
    for (int m = first; m <= last; ++m)
      if (std::find(absent.begin(), absent.end(), m) == absent.end())
        text += fmt::format("2016-05-01 {:02}:{:02},0.1\n", m / 60, m % 60);
    return text;
  };
  std::string rest_of_day, dry_rest;
  for (int k = 3; k < 96; ++k) rest_of_day += " -";
  for (int k = 2; k < 96; ++k) dry_rest += " 0";
  const Case cases[] = {
      {"every minute", minutes(1, 30), {}, "2016-05-01 00:15 1.5 1.5"},
      {"the reading ending 00:15 is the first interval's last", minutes(15, 31), {}, "2016-05-01 00:15 - 1.5 -"},
      {"one minute absent", minutes(1, 30, {7}), {}, "2016-05-01 00:15 - 1.5"},
      {"the first minute absent", minutes(1, 30, {16}), {}, "2016-05-01 00:15 1.5 -"},
      {"one minute absent, over the days asked for",
       minutes(1, 45, {20}),
       {{"from", "2016-05-01"}, {"to", "2016-05-01"}},
       "2016-05-01 00:15 1.5 - 1.5" + rest_of_day},
      {"start stamps: the reading stamped 00:14 ends 00:15",
       minutes(0, 29),
       {{"stamp", "start"}},
       "2016-05-01 00:15 1.5 1.5"},
      {"24:00 ends the day's last interval",
       minutes(1426, 1440) + "2016-05-02 00:01,0.1\n",
       {},
       "2016-05-02 00:00 1.5 -"},
      {"a rain file's lines a minute apart, stamped at their start",
       "RG1 2016 05 01 00 14 1\nRG1 2016 05 01 00 15 2\n",
       {},
       "2016-05-01 00:15 1 2" + dry_rest},
  };
  for (const Case& c : cases) EXPECT_EQ(read_shown(c.bytes, c.options), c.expected) << c.what;
  ReadFacts facts;
  read_shown(minutes(1, 30), {}, &facts);
  EXPECT_EQ(facts.step_minutes, 1);
  EXPECT_EQ(facts.data_lines, 30);
}

// Depths that a station file cannot hold name the line that brings the sum there.
TEST(ReadGauge, DepthLimitNamesTheLine) {
  TempDir dir;
  dir.write("r.csv", "t,r\n2016-05-01 00:05,60\n2016-05-01 00:10,39.99\n2016-05-01 00:15,0.01\n");
  ReadOptions o;
  o.depth_limit = 100;
  try {
    read_gauge((dir / "r.csv").string(), o);
    FAIL() << "no error";
  } catch (const ToolError& e) {
    EXPECT_EQ(e.line(), 4);
    EXPECT_STREQ(e.what(),
                 "the 15-minute depth ending 2016-05-01 00:15 comes to 100.00 mm; a depth of 100 mm or more "
                 "cannot be written");
  }
  o.depth_limit = 101;
  EXPECT_NEAR(read_gauge((dir / "r.csv").string(), o).depth(0), 100.0, 1e-9);
}

// Cut-outs of examples/pau01/iMHEA_PAU_01_PD_01_raw.csv, as in the file: byte-order mark, CR line
// ends. Tips counted by hand into their intervals (end time: tips).
const std::string header =
    "\xEF\xBB\xBF"
    "Date,Event mm,Flag\r";

// Lines 3590-3606: across midnight, a tip on 00:45:00 (in the interval ending 00:45) and one on
// 01:59:59. The cut-out starts with a tip at 23:03:09, so the record runs from 23:03: the first
// whole interval is the one ending 23:30; it ends at 01:59, so the last is the one ending 01:45.
const std::string midnight =
    "14/11/2001 23:03:09,0.2,\r14/11/2001 23:07:46,0.2,\r14/11/2001 23:12:30,0.2,\r14/11/2001 23:20:08,0.2,\r"
    "14/11/2001 23:46:47,0.2,\r15/11/2001 00:07:53,0.2,\r15/11/2001 00:27:15,0.2,\r15/11/2001 00:39:11,0.2,\r"
    "15/11/2001 00:45:00,0.2,\r15/11/2001 00:53:01,0.2,\r15/11/2001 01:07:15,0.2,\r15/11/2001 01:15:57,0.2,\r"
    "15/11/2001 01:25:35,0.2,\r15/11/2001 01:35:32,0.2,\r15/11/2001 01:46:36,0.2,\r15/11/2001 01:54:56,0.2,\r"
    "15/11/2001 01:59:59,0.2,\r";

// Lines 18950-18970: a tip at 20:34:57 (the cut-out's first row), thirteen tips from 23:52:21 to 23:58:33 (2.6 mm
// ending 00:00), a gap from 03/04/2004 00:00:01 to the restart at 16/04/2004 17:55:01, then tips at 17:57:23 (in an
// interval the logger did not see whole), 18:49:22, 19:37:32, 20:13:01 and 01:51:26.
const std::string gap =
    "02/04/2004 20:34:57,0.2,\r02/04/2004 23:52:21,0.2,\r02/04/2004 23:52:45,0.2,\r02/04/2004 23:53:14,0.2,\r"
    "02/04/2004 23:53:20,0.2,\r02/04/2004 23:55:36,0.2,\r02/04/2004 23:55:42,0.2,\r02/04/2004 23:55:58,0.2,\r"
    "02/04/2004 23:56:11,0.2,\r02/04/2004 23:56:19,0.2,\r02/04/2004 23:56:21,0.2,\r02/04/2004 23:56:23,0.2,\r"
    "02/04/2004 23:58:17,0.2,\r02/04/2004 23:58:33,0.2,\r03/04/2004 00:00:01,,V\r16/04/2004 17:55:01,0,P\r"
    "16/04/2004 17:57:23,0.2,\r16/04/2004 18:49:22,0.2,\r16/04/2004 19:37:32,0.2,\r16/04/2004 20:13:01,0.2,\r"
    "17/04/2004 01:51:26,0.2,";

TEST(ReadGauge, TipRecordCutOuts) {
  ReadFacts facts;
  EXPECT_EQ(read_shown(header + midnight, {}, &facts), "2001-11-14 23:15 - 0.2 0 0.2 0.2 0.2 0.4 0.2 0.2 0.4 0.2 -");
  EXPECT_EQ(facts.format, Format::tips);
  EXPECT_EQ(facts.data_lines, 17);

  const CalendarSeries s = [&] {
    TempDir dir;
    dir.write("pd01.csv", header + gap);
    return read_gauge((dir / "pd01.csv").string(), {});
  }();
  const auto at = [&](const char* end_text) {
    raingen::calendar::Instant end;
    parse_instant(end_text, end);
    return static_cast<std::size_t>((end - s.start()) / raingen::calendar::interval_length) - 1;
  };
  EXPECT_EQ(at("2004-04-02 20:45"), 0u);  // the first row's interval, seen from 20:34 only
  EXPECT_FALSE(s.present(0));
  EXPECT_NEAR(s.depth(at("2004-04-02 23:45")), 0.0, 1e-9);
  EXPECT_NEAR(s.depth(at("2004-04-03 00:00")), 2.6, 1e-9);  // the thirteen tips
  EXPECT_FALSE(s.present(at("2004-04-03 00:15")));          // the gap
  EXPECT_FALSE(s.present(at("2004-04-16 17:45")));
  EXPECT_FALSE(s.present(at("2004-04-16 18:00")));  // the restart at 17:55
  EXPECT_NEAR(s.depth(at("2004-04-16 18:15")), 0.0, 1e-9);
  EXPECT_NEAR(s.depth(at("2004-04-16 19:00")), 0.2, 1e-9);
  EXPECT_NEAR(s.depth(at("2004-04-16 19:45")), 0.2, 1e-9);
  EXPECT_NEAR(s.depth(at("2004-04-16 20:15")), 0.2, 1e-9);
  EXPECT_TRUE(s.present(at("2004-04-17 01:45")));
  EXPECT_EQ(s.size(), at("2004-04-17 02:00") + 1);  // the last tip's interval, seen only to 01:51
  EXPECT_FALSE(s.present(s.size() - 1));
  double total = 0;
  for (std::size_t k = 0; k < s.size(); ++k)
    if (s.present(k)) total += s.depth(k);
  EXPECT_NEAR(total, 3.2, 1e-9);  // 16 of the 19 tips lie in intervals the logger saw whole

  // Bad rows of a tip record.
  EXPECT_EQ(read_shown(header + "02/04/2004 20:34:57,0.2,\r02/04/2004 20:34:57,0.2,\r"),
            "r.csv:3: time 2004-04-02 20:34:57 repeats the time of the reading before");
  EXPECT_EQ(read_shown(header + "02/04/2004 20:34:57,0.2,\r02/04/2004 20:30:00,0.2,\r"),
            "r.csv:3: time 2004-04-02 20:30 comes before the time of the reading before (2004-04-02 20:34:57): "
            "readings must be in time order");
  EXPECT_EQ(read_shown(header + "02/04/2004 20:34:57,0.2,\r31/04/2004 20:30:00,0.2,\r"),
            "r.csv:3: '31/04/2004 20:30:00' is not a time of the calendar");
  EXPECT_EQ(read_shown(header + "02/04/2004 20:34:57,0.2mm,\r"), "r.csv:2: '0.2mm' is not a depth");
}

TEST(ReadGauge, SwmmRainFile) {
  const std::string file =
      ";rain of two gauges\nRG1 2016 05 01 00 00 0.5\nRG1 2016 05 01 00 05 0.25\n"
      "RG2 2016 05 01 00 00 9\nRG1 2016 05 01 23 55 1\n";
  const auto day = [](std::string from_first) {  // one day: the given start, then dry intervals
    std::string out = "2016-05-01 00:15" + from_first;
    for (int k = static_cast<int>(std::count(from_first.begin(), from_first.end(), ' ')); k < 96; ++k) out += " 0";
    return out;
  };
  EXPECT_EQ(read_shown(file, {{"swmm-station", "RG2"}}), day(" 9"));
  std::string rg1 = read_shown(file, {{"swmm-station", "RG1"}});
  EXPECT_EQ(rg1.substr(0, 21), "2016-05-01 00:15 0.75");
  EXPECT_EQ(rg1.substr(rg1.size() - 4), " 0 1");  // 23:55 starts the day's last interval
  EXPECT_EQ(read_shown(file), "usage: r.csv: several stations (RG1, RG2): pick one with --swmm-station");
  // Over the days asked for, absent intervals are dry; end stamps move a reading to the interval before.
  const std::string days = read_shown("RG1 2016 05 02 00 15 2\nRG1 2016 05 02 00 30 1\n",
                                      {{"stamp", "end"}, {"from", "2016-05-01"}, {"to", "2016-05-03"}});
  EXPECT_EQ(std::count(days.begin(), days.end(), ' '), 1 + 3 * 96);
  EXPECT_EQ(days.substr(0, 16), "2016-05-01 00:15");
  EXPECT_NE(days.find(" 0 0 2 1 0 0"), std::string::npos);
  EXPECT_EQ(read_shown("RG1 2016 05 01 00 00 1\nRG1 2016 05 01 01 00 1\n"),
            "r.csv:2: the record's step is 60 minutes; 15 minutes or finer is needed");
  EXPECT_EQ(read_shown("RG1 2016 02 30 00 00 1\n"), "r.csv:1: '2016-02-30' is not a time of the calendar");
  EXPECT_EQ(read_shown("RG1 2016 05 01 00 15 1\nRG1 2016 05 01 00 00 1\n"),
            "r.csv:2: time 2016-05-01 00:00 comes before the time of the reading before (2016-05-01 00:15): "
            "readings must be in time order");
  EXPECT_EQ(read_shown("RG1 2016 05 01 00 00 1\nRG1 2016 05 01 00 1\n", {{"format", "swmm"}}),
            "r.csv:2: has 6 fields; a rain file line is STA YYYY MM DD HH MM VALUE");
}

TEST(ReadGauge, NoaaDays) {
  std::string header_row = "STATION,DATE";
  for (int j = 1; j <= 96; ++j) header_row += fmt::format(",V{}", j);
  const auto row = [](const char* date, const char* first) {
    std::string text = fmt::format("USC00012345,{},{}", date, first);
    for (int j = 2; j <= 96; ++j) text += ",0";
    return text + ",extra\n";
  };
  ReadFacts facts;
  const std::string shown =
      read_shown(header_row + "\n" + row("2016-05-01", "5") + row("2016-05-03", "-9999"), {}, &facts);
  EXPECT_EQ(facts.format, Format::noaa);
  EXPECT_EQ(shown.substr(0, 22), "2016-05-01 00:15 1.27 ");            // 5 hundredths of an inch
  EXPECT_EQ(std::count(shown.begin(), shown.end(), '-') - 2, 96 + 1);  // day 2 absent, one -9999
  EXPECT_EQ(read_shown(header_row + "\n" + row("2016-05-01", "5") + "USC00012345,2016-05-02,1,2\n"),
            "r.csv:3: has 2 values after the date; 96 are needed");
  EXPECT_EQ(read_shown(header_row + "\n" + row("2016-05-02", "5") + row("2016-05-01", "5")),
            "r.csv:3: time 2016-05-01 00:00 comes before the time of the reading before (2016-05-02 00:00): "
            "readings must be in time order");
}

TEST(ReadGauge, FormatIsRecognised) {
  const std::pair<std::string, Format> files[] = {
      {header + midnight, Format::tips},
      {"02/04/2004 20:34:57,0.2\n02/04/2004 20:35:12,0.2\n", Format::tips},
      {"time,rain\n2016-05-01 00:05,0.1\n2016-05-01 00:10,0.2\n", Format::csv},
      {"; comment\nRG1 2016 05 01 00 00 0.5\n", Format::swmm},
  };
  for (const auto& [bytes, format] : files) {
    ReadFacts facts;
    read_shown(bytes, {}, &facts);
    EXPECT_EQ(facts.format, format) << bytes;
  }
  EXPECT_EQ(read_shown(""), "r.csv: is empty");
  EXPECT_EQ(read_shown("t,r\n2016-05-01 00:05,1\n2016-05-01 00:10,1\n", {{"format", "tips"}}).substr(0, 16),
            "2016-05-01 00:15");
}

TEST(ReadGauge, OptionsByName) {
  ReadOptions o;
  set_read_option(o, "format", "noaa");
  set_read_option(o, "stamp", "start");
  set_read_option(o, "from", "2016-05-01");
  EXPECT_EQ(o.format, Format::noaa);
  EXPECT_EQ(o.stamp, Stamp::start);
  const std::pair<std::string, std::string> bad[] = {{"format", "xls"},    {"stamp", "middle"}, {"to", "2016-04-31"},
                                                     {"to", "2016-04-30"}, {"colour", "red"},   {"column", ""}};
  for (const auto& [name, value] : bad) EXPECT_THROW(set_read_option(o, name, value), UsageError) << name << value;
}

// Making a coarse record 15-minute from fragments.

// A 15-minute series from 2001-01-01 00:00, dry but for the hours given: the hour ending at
// HOUR on day DAY of January (or beyond, counting on) holds the four depths.
CalendarSeries fragment_gauge(const std::vector<std::tuple<int, int, std::array<double, 4>>>& hours) {
  const auto start = raingen::calendar::TimePoint{raingen::calendar::Day{date::year{2001} / 1 / 1}};
  CalendarSeries s("F", start, 96 * 90);
  for (std::size_t k = 0; k < s.size(); ++k) s.set_depth(k, 0);
  for (const auto& [day, hour, depths] : hours)
    for (std::size_t j = 0; j < 4; ++j)
      s.set_depth(static_cast<std::size_t>((day - 1) * 96 + hour * 4 - 4) + j, depths[j]);
  return s;
}

// An hourly record from 2001-01-08 01:00 (dry) with the given steps wet: (day of January, hour, mm).
CoarseRecord hourly_record(const std::vector<std::tuple<int, int, double>>& wet) {
  using namespace raingen::calendar;
  CoarseRecord r{.path = "h.csv",
                 .name = "H",
                 .step = Minutes{60},
                 .first_end = TimePoint{Day{date::year{2001} / 1 / 8}} + Minutes{60},
                 .values = {},
                 .lines = {}};
  r.values.assign(26 * 24, 0);
  for (std::size_t k = 0; k < r.values.size(); ++k) r.lines.push_back(static_cast<long>(k) + 2);
  for (const auto& [day, hour, mm] : wet) r.values[static_cast<std::size_t>((day - 8) * 24 + hour - 1)] = mm;
  return r;
}

// The four made depths of the hour ending at hour on day (of January or on), as "a b c d".
std::string made_hour(const CalendarSeries& s, int day, int hour) {
  const auto first = static_cast<std::size_t>((day - 8) * 96 + hour * 4 - 4);
  return fmt::format("{:g} {:g} {:g} {:g}", s.depth(first), s.depth(first + 1), s.depth(first + 2), s.depth(first + 3));
}

TEST(Fragments, NeighboursChosenAsWorkedByHand) {
  // A (5 Jan, 4 mm) and B (7 Jan, 5 mm) lie dry on both sides; C is two wet hours on 9 Jan (the
  // first wet after, the second wet before); D (25 Feb, day 56, 4 mm) lies far in the year.
  const FragmentSource source{.gauges = {{"F",
                                          "f.csv",
                                          fragment_gauge({{5, 11, {1, 0, 0, 3}},
                                                          {7, 11, {0, 2.5, 2.5, 0}},
                                                          {9, 10, {1, 1, 1, 1}},
                                                          {9, 11, {0, 0, 0, 2}},
                                                          {56, 11, {4, 0, 0, 0}}}),
                                          {}}},
                              .rules = {.neighbours = 1, .window_days = 15, .least_candidates = 1, .seed = 1}};
  FragmentFacts facts;
  const CalendarSeries made =
      make_fine(hourly_record({{8, 11, 4}, {9, 10, 2}, {9, 11, 3}, {20, 11, 9}, {32, 11, 3}}), source, 100, facts);
  EXPECT_EQ(made_hour(made, 8, 11), "1 0 0 3");          // A: the same depth, B is 1 mm off
  EXPECT_EQ(made_hour(made, 9, 10), "0.5 0.5 0.5 0.5");  // C's first: dry before, wet after
  EXPECT_EQ(made_hour(made, 9, 11), "0 0 0 3");          // C's second: wet before, dry after
  EXPECT_EQ(made_hour(made, 20, 11), "0 4.5 4.5 0");     // B, the deepest within 15 days: scaled up
  // 1 February: nothing within 15 days; within 30, A and D are 1 mm off, D 24 days away and A 27.
  EXPECT_EQ(made_hour(made, 32, 11), "3 0 0 0");
  EXPECT_EQ(made_hour(made, 8, 12), "0 0 0 0");
  EXPECT_EQ(facts.wet_steps, 5);
  EXPECT_EQ(facts.widened, 1);
  EXPECT_EQ(facts.deeper_than_candidates, 2);  // 9 Jan 11:00 (3 mm from 2) and 20 Jan (9 mm from 5)
  EXPECT_EQ(facts.from_gauge, std::vector<long>{5});

  // Three candidates asked for: the whole year holds one wet hour with a dry hour before and a wet after.
  FragmentSource thin = source;
  thin.rules.least_candidates = 3;
  try {
    make_fine(hourly_record({{8, 11, 4}, {9, 10, 2}, {9, 11, 3}}), thin, 100, facts);
    ADD_FAILURE() << "a thin year was taken";
  } catch (const ToolError& e) {
    EXPECT_EQ(raingen::common::located_message(e),
              "h.csv:35: the fragment gauges hold 1 wet 60-minute steps with a dry step before and a wet step after "
              "in the whole year, and 3 are needed: give longer or more fragment gauges");
  }

  // The draw among k: 210 first, then 300 and 100 (as equally near, in the order given); weights
  // 1, 1/2, 1/3 of 11/6, so u below 6/11 takes the first and from 9/11 the third.
  const std::vector<Candidate> three{{.total = 300}, {.total = 100}, {.total = 210}};
  for (const auto& [u, rank] : std::vector<std::pair<double, std::size_t>>{{0.5, 2}, {0.6, 0}, {0.9, 1}})
    EXPECT_EQ(choose_neighbour(three, 200, 0, 3, u), rank) << u;
  EXPECT_EQ(share_out(7, std::vector<std::int64_t>{3, 0, 1}), (std::vector<std::int64_t>{5, 0, 2}));
  EXPECT_EQ(share_out(100, std::vector<std::int64_t>{1, 1, 1}), (std::vector<std::int64_t>{34, 33, 33}));
}

// The real PD_01 record summed to hours and to days and made 15-minute again from PD_02 and
// PD_03: every step adds up to its depth exactly, a missing step stays missing, and the seed
// alone decides the draws.
TEST(Fragments, RealRecordMadeAgainAddsUp) {
  const std::string records = std::string(RAINGEN_EXAMPLE_RECORDS) + "/iMHEA_PAU_01_PD_0";
  FragmentSource source;
  for (int i = 2; i <= 3; ++i)
    source.gauges.push_back({fmt::format("PD0{}", i), "", read_gauge(fmt::format("{}{}_raw.csv", records, i), {}), {}});
  const CalendarSeries truth = read_gauge(records + "1_raw.csv", {});
  for (int step : {60, 1440}) {
    const CoarseRecord coarse = coarse_of("PD01", truth, raingen::calendar::Minutes{step});
    FragmentFacts facts;
    const CalendarSeries made = make_fine(coarse, source, 100, facts);
    const std::size_t n = static_cast<std::size_t>(step / 15);
    ASSERT_EQ(made.size(), coarse.values.size() * n);
    long wet = 0;
    for (std::size_t k = 0; k < coarse.values.size(); ++k) {
      long sum = 0;
      for (std::size_t j = 0; j < n; ++j) {
        ASSERT_EQ(made.present(k * n + j), !std::isnan(coarse.values[k])) << step << " " << k;
        if (made.present(k * n + j)) sum += std::lround(made.depth(k * n + j) * 100);
      }
      if (!std::isnan(coarse.values[k])) {
        ASSERT_EQ(sum, std::lround(coarse.values[k] * 100)) << step << " " << k;
      }
      wet += coarse.values[k] > 0;
    }
    EXPECT_EQ(facts.wet_steps, wet);
    EXPECT_GT(wet, step == 60 ? 6000 : 1000);
    const auto hundredths = [](const CalendarSeries& s) {
      std::vector<long> h;
      for (double d : s.depths()) h.push_back(std::isnan(d) ? -1 : std::lround(d * 100));
      return h;
    };
    source.rules.seed = 2;
    EXPECT_NE(hundredths(make_fine(coarse, source, 100, facts)), hundredths(made));
    source.rules.seed = 1;
    EXPECT_EQ(hundredths(make_fine(coarse, source, 100, facts)), hundredths(made));
  }
}

}  // namespace
