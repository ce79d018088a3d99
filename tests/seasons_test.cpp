// Seasons and series along the calendar, piece by piece: the --seasons grammar, a hand-made record
// of two seasons prepared season by season (each season's files from its days alone, spells
// censored at a season's end, Kaplan-Meier worked by hand), the [seasons] of RAINGEN.TXT, the
// blocks of a series along the calendar and their seeds against the program's own generator,
// INPUT.TXT with its day count set, and rows laid out in the program's columns.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "common/checksum.h"
#include "common/tool_error.h"
#include "ensemble/calendar_blocks.h"
#include "ensemble/realization_table.h"
#include "generator/shared.h"
#include "stations/run_facts.h"
#include "stations/season_folders.h"
#include "stations/seasons.h"
#include "stations/settings_file.h"
#include "stations/spells.h"
#include "stations/station_files.h"
#include "support/child.h"

namespace {

using namespace raingen::stations;
using raingen::calendar::Minutes;
using raingen::calendar::TimePoint;
using raingen::gauge::CalendarSeries;
using testing_support::TempDir;

std::string usage_error(const std::string& list) {
  try {
    parse_seasons(list);
    return "";
  } catch (const raingen::common::UsageError& e) {
    return e.what();
  }
}

TEST(Seasons, SpecsNamesAndMonths) {
  const struct {
    std::string list, names, ranges;
  } cases[] = {
      {"quarters", "Dec-Feb, Mar-May, Jun-Aug, Sep-Nov", "12-2,3-5,6-8,9-11"},
      {"months", "Jan, Feb, Mar, Apr, May, Jun, Jul, Aug, Sep, Oct, Nov, Dec", "1,2,3,4,5,6,7,8,9,10,11,12"},
      {"11-4,5-10", "Nov-Apr, May-Oct", "11-4,5-10"},
      {"5,6-4", "May, Jun-Apr", "5,6-4"},
      {"1-12", "Jan-Dec", "1-12"},
      {"03-05,6-2", "Mar-May, Jun-Feb", "3-5,6-2"},
  };
  for (const auto& c : cases) {
    const Seasons seasons = parse_seasons(c.list);
    EXPECT_EQ(season_names(seasons), c.names) << c.list;
    EXPECT_EQ(seasons_list(seasons), c.ranges) << c.list;
    EXPECT_EQ(parse_seasons(seasons_list(seasons)), seasons) << c.list;
    unsigned months = 0;
    for (const Season& season : seasons) months += season.month_count();
    EXPECT_EQ(months, 12u) << c.list;
  }
  const Seasons quarters = parse_seasons("quarters");
  EXPECT_EQ(quarters[0].months_text(), "December to February");
  EXPECT_EQ(Season({5, 5}).months_text(), "May");
  // A day belongs to the season of its month: 28 February in Dec-Feb, 1 March in Mar-May.
  using date::year, date::month, date::day;
  EXPECT_EQ(season_of(quarters, date::sys_days{year{2001} / 2 / 28}), 0u);
  EXPECT_EQ(season_of(quarters, date::sys_days{year{2001} / 3 / 1}), 1u);
  EXPECT_EQ(season_of(quarters, date::sys_days{year{2000} / 12 / 31}), 0u);
}

TEST(Seasons, SpecsThatLeaveAMonthOutOrNameOneTwice) {
  EXPECT_EQ(usage_error("11-4,5-9"),
            "--seasons '11-4,5-9': October is in no season: every month belongs to exactly one");
  EXPECT_EQ(usage_error("11-4,4-10"),
            "--seasons '11-4,4-10': April is in two seasons (11-4 and 4-10): every month belongs to exactly one");
  EXPECT_EQ(usage_error("1-12,6"),
            "--seasons '1-12,6': June is in two seasons (1-12 and 6): every month belongs to exactly one");
  for (const char* bad : {"13-2", "0-5", "1-", "-3", "winter", "1-12,", "", "1 - 12", "+1-12", "1-12-3"})
    EXPECT_EQ(usage_error(bad).find("is not a range of months M-N or a month M (1 to 12); give quarters, months or "
                                    "ranges such as 11-4,5-10"),
              usage_error(bad).find("is not a range"))
        << bad;
  EXPECT_EQ(
      usage_error("winter"),
      "--seasons 'winter': 'winter' is not a range of months M-N or a month M (1 to 12); give quarters, months or "
      "ranges such as 11-4,5-10");
}

PrepareOptions small_record() { return PrepareOptions{.minimum = {.complete_days = 1, .wet_days = 1}}; }

// A hand-made record of two seasons of different rain, Jan-Jun and Jul-Dec, from 2001-06-25 to
// 2001-07-08 (W wet, D dry, I a gap):
//   Jun 25 W 3 mm, 26 D, 27 W 5 mm, 28 D, 29 D, 30 D | Jul 1 D, 2 W, 3 W, 4 D, 5 I, 6 W, 7 D, 8 W
// (in July 0.2 mm a wet day, 0.4 on the 2nd). Jan-Jun: a spell of 1 day ended (26), one cut by
// the season's end after 3 days (28-30). Kaplan-Meier: at 1 day both are going and one ends
// (hazard 1/2: share 0.5); at 3 days the cut one leaves the count, and the remaining 0.5 goes to
// the longest length seen, 3. Without the season's end that spell would have ended on 2 July
// after 4 days. Jul-Dec: 1 July follows no wet day of the season (no spell); 2 -> 3 ends after 0
// days; after the 3rd, one dry day and the gap (censored at 1); 6 -> 8 ends after 1 day; after the
// 8th the record ends (censored at 0). Four spells: at 0 days the one cut at 0 leaves, one of the
// three ends (1/3); at 1 day the one cut at 1 leaves, the last one ends (2/3 of what is left).
TEST(SeasonFiles, EachSeasonHoldsItsDaysAndItsSpellsEndAtItsEnd) {
  const double nan = CalendarSeries::missing_value();
  const std::vector<double> rain{3, 0, 5, 0, 0, 0, 0, 0.4, 0.2, 0, nan, 0.2, 0, 0.2};
  CalendarSeries record("R", TimePoint{Minutes{(11323LL + 175) * 1440}}, rain.size() * 96);  // from 2001-06-25
  for (std::size_t d = 0; d < rain.size(); ++d)
    for (std::size_t j = 0; j < 96; ++j)
      record.set_depth(d * 96 + j, j == 40 ? rain[d] : (std::isnan(rain[d]) ? nan : 0.0));
  const Seasons halves = parse_seasons("1-6,7-12");
  const std::vector<PreparedStation> prepared =
      prepare_in_seasons(record, StationId::given("AB", "test"), small_record(), "r.csv", halves);
  ASSERT_EQ(prepared.size(), 2u);

  const auto keys = [](const PreparedStation& p) {
    std::vector<int> keys;
    for (const DayRecord& day : p.files.days) keys.push_back(day.key);
    return keys;
  };
  const PreparedStation& first = prepared[0];
  EXPECT_EQ(keys(first), (std::vector<int>{20010625, 20010627, 20010627})) << "its wet days and the copy";
  EXPECT_EQ(first.summary.days, 6);
  EXPECT_EQ(first.summary.wet_days, 2);
  EXPECT_EQ(first.summary.dry_days, 4);
  EXPECT_EQ(first.summary.spells_ended, 1);
  EXPECT_EQ(first.summary.spells_censored, 1);
  EXPECT_EQ(first.summary.shares, (std::vector<double>{0, 0.5, 0, 0.5}));
  EXPECT_EQ(first.files.spell_entries, (std::vector<double>{0.0, 1.0, 0.0}));  // midpoints 0, 0.5, 0.5
  EXPECT_DOUBLE_EQ(first.summary.total_written, 8.0);

  const PreparedStation& second = prepared[1];
  EXPECT_EQ(keys(second), (std::vector<int>{20010702, 20010703, 20010706, 20010708, 20010708}));
  EXPECT_EQ(second.summary.days, 8);
  EXPECT_EQ(second.summary.incomplete_days, 1);
  EXPECT_EQ(second.summary.spells_ended, 2);
  EXPECT_EQ(second.summary.spells_censored, 2);
  ASSERT_EQ(second.summary.shares.size(), 2u);
  EXPECT_DOUBLE_EQ(second.summary.shares[0], 1.0 / 3);
  EXPECT_DOUBLE_EQ(second.summary.shares[1], 2.0 / 3);
  EXPECT_EQ(second.files.spell_entries, (std::vector<double>{0.6667}));
  EXPECT_DOUBLE_EQ(second.summary.total_written, 1.0);
  EXPECT_EQ(second.files.spell_title.substr(0, 40), "AB dry spells between wet days in Jul-De");

  // The whole record, for comparison: the June spell runs on to 2 July (4 days) and ends there.
  const RecordDays days = split_days(record, {});
  const SpellCounts whole = count_spells(days.kinds);
  EXPECT_EQ(whole.ended, (std::vector<long>{1, 2, 0, 0, 1}));
  EXPECT_EQ(count_spells(kinds_in_season(days, halves[0])).ended, (std::vector<long>{0, 1}));
}

// A season the record holds too few days of is refused with its numbers and the hint.
TEST(SeasonFiles, ASeasonTooThinIsRefusedWithItsNumbers) {
  CalendarSeries record("R", TimePoint{Minutes{11323LL * 1440}}, 70 * 96);  // 2001-01-01 to 03-11
  for (std::size_t k = 0; k < record.size(); ++k) record.set_depth(k, k % 96 == 0 && k / 96 % 2 == 0 ? 1.0 : 0.0);
  try {
    prepare_in_seasons(record, StationId::given("AB", "test"), {}, "r.csv", parse_seasons("quarters"));
    FAIL() << "no error";
  } catch (const raingen::common::ToolError& e) {
    EXPECT_EQ(raingen::common::located_message(e),
              "r.csv: station AB in season Mar-May keeps 11 complete days of 11 (--min-complete 100); at least 30 are "
              "needed to draw from: give a longer record, or a lower --min-complete (or wider seasons: Mar-May holds "
              "11 of the "
              "record's 70 days)");
  }
  try {
    prepare_in_seasons(record, StationId::given("AB", "test"), {}, "r.csv", parse_seasons("12-5,6-11"));
    FAIL() << "no error";
  } catch (const raingen::common::ToolError& e) {
    EXPECT_EQ(raingen::common::located_message(e),
              "r.csv: station AB has no day in season Jun-Nov (June to November): the record runs from 2001-01-01 to "
              "2001-03-11; give a record that covers every season, or wider seasons");
  }
  // Seasons the record holds enough days of are prepared.
  const std::vector<PreparedStation> two =
      prepare_in_seasons(record, StationId::given("AB", "test"), {}, "r.csv", parse_seasons("1,2-12"));
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].summary.days, 31);
  EXPECT_EQ(two[1].summary.days, 39);
}

std::string facts_error(const std::string& text) {
  TempDir dir;
  dir.write("RAINGEN.TXT", text);
  try {
    read_run_facts(dir.path());
    return "";
  } catch (const raingen::common::ToolError& e) {
    return std::to_string(e.line()) + ": " + e.what();
  }
}

TEST(SeasonsFacts, WrittenAndReadBackAndMalformedLinesNamed) {
  // FNV-1a's own test values.
  EXPECT_EQ(raingen::common::checksum_text("a"), "af63dc4c8601ec8c");
  EXPECT_EQ(raingen::common::checksum_text("foobar"), "85944171f73967e8");
  RunFacts facts;
  facts.seasons = SeasonsFacts{.seasons = parse_seasons("11-4,5-10")};
  facts.seasons->put_file("Nov-Apr", "INPUT.TXT", raingen::common::checksum_text("a"));
  facts.seasons->put_file("May-Oct", "ABD_3.TXT", raingen::common::checksum_text("b"));
  facts.seasons->put_file("Nov-Apr", "INPUT.TXT", raingen::common::checksum_text("c"));  // replaces the first
  const std::string text = run_facts_text(facts);
  EXPECT_EQ(text.substr(text.find("[seasons]")),
            "[seasons]\n"
            "season = Nov-Apr 11-4\n"
            "season = May-Oct 5-10\n"
            "file = Nov-Apr/INPUT.TXT " +
                raingen::common::checksum_text("c") +
                "\n"
                "file = May-Oct/ABD_3.TXT " +
                raingen::common::checksum_text("b") + "\n");
  TempDir dir;
  dir.write("RAINGEN.TXT", text);
  const RunFacts back = read_run_facts(dir.path());
  ASSERT_TRUE(back.seasons);
  EXPECT_EQ(back.seasons->seasons, facts.seasons->seasons);
  ASSERT_EQ(back.seasons->files.size(), 2u);
  EXPECT_EQ(back.seasons->file("May-Oct", "ABD_3.TXT")->checksum, raingen::common::checksum_text("b"));
  EXPECT_EQ(back.seasons->file("May-Oct", "ABD_3.TXT")->line, 7);
  EXPECT_EQ(run_facts_text(back), text);

  const std::string head = "[seasons]\nseason = Nov-Apr 11-4\n";
  const struct {
    std::string text, error;
  } bad[] = {
      {head, "1: [seasons]: May is in no season: every month belongs to exactly one"},
      {head + "season = May-Nov 5-11\n",
       "1: [seasons]: November is in two seasons (11-4 and 5-11): every month belongs "
       "to exactly one"},
      {head + "season = Oct-May 5-10\n",
       "3: season 'Oct-May 5-10' is not NAME M-N, a range of months and its name "
       "(12-2 is Dec-Feb)"},
      {head + "season = Nov-Apr 11-4\n", "3: season Nov-Apr is given twice"},
      {head + "season = May-Oct 5-10\nfile = Nov-Apr/INPUT.TXT 123\n",
       "4: file 'Nov-Apr/INPUT.TXT 123' is not SEASON/NAME CHECKSUM (a season's folder, a file name in it and 16 "
       "hexadecimal digits)"},
      {head + "season = May-Oct 5-10\nfile = Nov-Apr/../INPUT.TXT 0123456789abcdef\n",
       "4: file 'Nov-Apr/../INPUT.TXT 0123456789abcdef' is not SEASON/NAME CHECKSUM (a season's folder, a file name "
       "in it and 16 hexadecimal digits)"},
      {head + "season = May-Oct 5-10\nfile = Jun/INPUT.TXT 0123456789abcdef\n",
       "4: file Jun/INPUT.TXT: no season of [seasons] is named Jun"},
      {head + "season = May-Oct 5-10\n[seasons]\n", "4: [seasons] is given twice (line 1)"},
      {"[seasons X]\n", "1: [seasons X]: the seasons section has no ID: [seasons]"},
  };
  for (const auto& c : bad) EXPECT_EQ(facts_error(c.text), c.error) << c.text;
  EXPECT_EQ(facts_error(head + "season = May-Oct 5-10\nnote = kept\n"), "");
}

// The seasons a use writes in: those given, RAINGEN.TXT's, and a conflict between them.
TEST(SeasonsFacts, EveryUseOfADirectoryTakesItsSeasons) {
  RunFacts facts;
  EXPECT_FALSE(seasons_of_use(std::nullopt, facts, "RAINGEN.TXT"));
  EXPECT_EQ(seasons_of_use(parse_seasons("quarters"), facts, "RAINGEN.TXT"), parse_seasons("quarters"));
  facts.seasons = SeasonsFacts{.seasons = parse_seasons("quarters"), .line = 9};
  EXPECT_EQ(seasons_of_use(std::nullopt, facts, "RAINGEN.TXT"), parse_seasons("quarters"));
  EXPECT_EQ(seasons_of_use(parse_seasons("12-2,3-5,6-8,9-11"), facts, "RAINGEN.TXT"), parse_seasons("quarters"));
  try {
    seasons_of_use(parse_seasons("months"), facts, "RAINGEN.TXT");
    FAIL() << "no error";
  } catch (const raingen::common::ToolError& e) {
    EXPECT_EQ(raingen::common::located_message(e),
              "RAINGEN.TXT:9: this run directory's seasons are Dec-Feb, Mar-May, Jun-Aug, Sep-Nov (12-2,3-5,6-8,9-11), "
              "not the 1,2,3,4,5,6,7,8,9,10,11,12 of --seasons: prepare every station and INPUT.TXT of a run directory "
              "with one --seasons (or use another --dir)");
  }
}

using raingen::ensemble::CalendarBlock;

TimePoint at(int y, unsigned m, unsigned d, int hour = 0) {
  return TimePoint{date::sys_days{date::year{y} / m / d}} + Minutes{hour * 60};
}

TEST(CalendarBlocks, RunsOfOneSeasonOfAtMost2000Days) {
  const Seasons quarters = parse_seasons("quarters");
  const struct {
    TimePoint start;
    long days;
    Seasons seasons;
    std::vector<CalendarBlock> blocks;
  } cases[] = {
      {at(2001, 1, 1), 1, {}, {{0, 0, 1}}},
      {at(2001, 1, 1), 2000, {}, {{0, 0, 2000}}},
      {at(2001, 1, 1), 4100, {}, {{0, 0, 2000}, {0, 2000, 2000}, {0, 4000, 100}}},
      // Nov 15-30 (Sep-Nov), Dec-Feb of a common year, Mar-May, Jun-Aug, Sep-Nov, then 19 days of December.
      {at(2001, 11, 15),
       400,
       quarters,
       {{3, 0, 16}, {0, 16, 90}, {1, 106, 92}, {2, 198, 92}, {3, 290, 91}, {0, 381, 19}}},
      // A leap February; a day begins in its month (at 06:00 the last day of February is still February's).
      {at(2004, 2, 28, 6), 3, quarters, {{0, 0, 2}, {1, 2, 1}}},
      {at(2003, 12, 1), 92, quarters, {{0, 0, 91}, {1, 91, 1}}},  // 29 February 2004
      {at(2004, 12, 1), 91, quarters, {{0, 0, 90}, {1, 90, 1}}},
      {at(2001, 1, 1), 5, parse_seasons("1-12"), {{0, 0, 5}}},
      {at(2001, 1, 30), 3, parse_seasons("months"), {{0, 0, 2}, {1, 2, 1}}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(raingen::ensemble::lay_out_blocks(c.start, c.days, c.seasons), c.blocks) << c.days;
  // A century of quarters: 401 blocks, every day once, none longer than a quarter.
  const auto century = raingen::ensemble::lay_out_blocks(at(2001, 1, 1), 36525, quarters);
  EXPECT_EQ(century.size(), 401u);
  long next = 0;
  for (const CalendarBlock& b : century) {
    EXPECT_EQ(b.first_day, next);
    EXPECT_LE(b.days, 92);
    next += b.days;
  }
  EXPECT_EQ(next, 36525);
}

// The seed of block b is the program's generator, seeded with the first, after b x 16384 draws.
TEST(CalendarBlocks, BlockSeedsAreTheGeneratorsStatesAfterTheirStride) {
  using raingen::ensemble::block_seed;
  for (std::int32_t first : {1, 2, 0, -1, -77, 240, 2147483646, 2147483647, -2147483647, INT_MIN, 123456789}) {
    EXPECT_EQ(block_seed(first, 0), first);
    raingen::reset_shared_state();
    raingen::set_seed(first);
    for (long block = 1; block <= 3; ++block) {
      for (long draw = 0; draw < raingen::ensemble::block_seed_stride; ++draw) raingen::next_random();
      EXPECT_EQ(block_seed(first, block), raingen::generator_state) << first << " block " << block;
    }
  }
}

TEST(SettingsFile, WithDayCountKeepsEveryOtherByte) {
  const std::string head =
      "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    S\r\nSTATION 1:    A\r\nSTATION 2:    B\r\n"
      "STATION 3:    C\r\nDISTANCE 1:     1\r\nDISTANCE 2:     2\r\nDISTANCE 3:     3\r\n";
  const struct {
    std::string record9, expected;
  } cases[] = {
      {"NUMBER DAYS:  2000\r\n", "NUMBER DAYS:    92\r\n"},
      {"NUMBER DAYS:  2000 a note\r\nmore\r\n", "NUMBER DAYS:    92 a note\r\nmore\r\n"},
      {"NUMBER DAYS:  2000", "NUMBER DAYS:    92"},
      {"DAYS\n", "DAYS            92\n"},
      {"NUMBER DAYS:  20\rx\n", "NUMBER DAYS:    92\rx\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(with_day_count(head + c.record9, 92), head + c.expected) << c.record9;
  const std::string lf = "1\n2\n3\n4\n5\n6\n7\n8\nNUMBER DAYS:     1\n";
  EXPECT_EQ(with_day_count(lf, 1999), "1\n2\n3\n4\n5\n6\n7\n8\nNUMBER DAYS:  1999\n");
}

// Rows as the program writes them with "(I12,F9.3)": no 0 before the point.
TEST(LaidOutRows, InTheProgramsColumns) {
  using raingen::ensemble::table_row_text;
  EXPECT_EQ(table_row_text(15, 0), "          15     .000\r\n");
  EXPECT_EQ(table_row_text(2880000, 133), "     2880000     .133\r\n");
  EXPECT_EQ(table_row_text(52596000, 12500), "    52596000   12.500\r\n");
  EXPECT_EQ(table_row_text(999999360, 99999999), "   99999936099999.999\r\n");

  // A table taken straight from its bytes and one read through the results reader (LF ends) lay
  // out alike, their times counted on.
  TempDir dir;
  std::string times_right;
  for (int k = 0; k < 96; ++k) times_right += table_row_text(15L * (192 + k + 1), k % 2 == 0 ? 133 : 1250);
  std::string numbered;
  for (int k = 0; k < 96; ++k) numbered += table_row_text(15L * (k + 1), k % 2 == 0 ? 133 : 1250);
  dir.write("crlf", numbered);
  std::string lf = numbered;
  for (std::size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at)) lf.erase(at, 1);
  dir.write("lf", lf);
  for (const char* name : {"crlf", "lf"}) {
    std::vector<float> depths(96);
    raingen::ensemble::LaidOutRows laid{.first_row = 192, .text = {}};
    EXPECT_EQ(raingen::ensemble::read_realization_table(dir / name, depths, &laid), std::nullopt) << name;
    EXPECT_EQ(laid.text, times_right) << name;
    EXPECT_EQ(depths[1], 1.25f);
  }
}

}  // namespace
