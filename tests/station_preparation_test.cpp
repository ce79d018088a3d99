// Preparing a record as a station: days and completeness, spells and their Kaplan-Meier shares,
// the spell tables as the program's own sampler draws from them, the day file as the program's
// own resampler draws from it, and the station-file writer's columns.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <random>

#include "common/tool_error.h"
#include "generator/shared.h"
#include "stations/days.h"
#include "stations/prepare_station.h"
#include "stations/settings_file.h"
#include "stations/spell_table.h"
#include "stations/spells.h"
#include "stations/station_files.h"
#include "support/generator_model.h"
#include "support/generator_runs.h"

namespace {

using namespace raingen::stations;
using raingen::calendar::Minutes;
using raingen::calendar::TimePoint;
using raingen::gauge::CalendarSeries;
using testing_support::TempDir;

constexpr DayKind W = DayKind::wet, D = DayKind::dry, I = DayKind::incomplete;

StationId id(const char* text) { return StationId::given(text, "test identifier"); }

// The tool's options without its least counts of days, for records small enough to work by hand.
PrepareOptions small_record() { return PrepareOptions{.minimum = {.complete_days = 1, .wet_days = 1}}; }

// A series of whole days from 2001-01-01: each day's 96 depths given by a function of (day, interval).
CalendarSeries days_series(int days, const std::function<double(int, int)>& depth) {
  CalendarSeries s("R", TimePoint{Minutes{11323LL * 1440}}, static_cast<std::size_t>(days) * 96);
  for (int d = 0; d < days; ++d)
    for (int j = 0; j < 96; ++j) s.set_depth(static_cast<std::size_t>(d * 96 + j), depth(d, j));
  return s;
}

TEST(Days, CompleteWetAndDryByTheirWrittenTotals) {
  const double nan = CalendarSeries::missing_value();
  // Day 0: wet; 1: two intervals missing; 2: only 0.004 mm (written 0.00: dry); 3: 1.2 mm;
  // day 4 starts at the series' last interval's day and is cut short.
  CalendarSeries s = days_series(4, [&](int d, int j) {
    if (d == 0) return j == 40 ? 2.5 : 0.0;
    if (d == 1) return j < 2 ? nan : 0.0;
    if (d == 2) return j == 5 ? 0.004 : 0.0;
    return j < 4 ? 0.3 : 0.0;
  });
  s.push_back(1.0);
  RecordDays days = split_days(s, {});
  EXPECT_EQ(days.kinds, (std::vector<DayKind>{W, I, D, W, I}));
  EXPECT_EQ(days.filled_days, 0);
  days = split_days(s, {97.9, 0});  // 94 of 96 is 97.92%
  EXPECT_EQ(days.kinds, (std::vector<DayKind>{W, D, D, W, I}));
  EXPECT_EQ(days.filled_days, 1);
  EXPECT_EQ(days.filled_intervals, 2);
  EXPECT_EQ(days.day_depths(1)[0], 0.0);
  EXPECT_NEAR(days.total_read, 2.5 + 0.004 + 1.2, 1e-12);
  EXPECT_EQ(split_days(s, {98, 0}).kinds[1], I);
  EXPECT_EQ(split_days(s, {100, 1.2}).kinds[3], D);  // above the threshold, not at it
  EXPECT_EQ(split_days(s, {100, 1.19}).kinds[3], W);
}

TEST(Spells, CountedBetweenWetDaysAndCutByGapsAndTheEnd) {
  // D D (no wet day before: no spell) W D D W W D I (cut: at least 1) D W (no spell: after a gap)
  // D W D D (cut by the end: at least 2).
  const SpellCounts c = count_spells({D, D, W, D, D, W, W, D, I, D, W, D, W, D, D});
  EXPECT_EQ(c.ended, (std::vector<long>{1, 1, 1}));     // 0 days once, 1 day once, 2 days once
  EXPECT_EQ(c.censored, (std::vector<long>{0, 1, 1}));  // after 1 and after 2 days
  EXPECT_EQ(c.longest(), 2);
}

// Worked by hand: spells ended at 1, 1 and 3 days, one cut after 2 days. Going at length 1: all
// four, two end: hazard 1/2. At 2: the cut one is unknown from 2 on, one left, none ends. At 3:
// it ends. So 1 day: 0.5, 3 days: 0.5; the plain shares of the ended ones would be 2/3 and 1/3.
TEST(Spells, KaplanMeierByHand) {
  SpellCounts c;
  c.ended = {0, 2, 0, 1};
  c.censored = {0, 0, 1};
  const std::vector<double> shares = spell_length_shares(c);
  ASSERT_EQ(shares.size(), 4u);
  EXPECT_DOUBLE_EQ(shares[0], 0.0);
  EXPECT_DOUBLE_EQ(shares[1], 0.5);
  EXPECT_DOUBLE_EQ(shares[2], 0.0);
  EXPECT_DOUBLE_EQ(shares[3], 0.5);
  // A spell cut after more days than any ended one: the estimate's remainder goes to its length.
  c.censored = {0, 0, 0, 0, 0, 2};
  const std::vector<double> longer = spell_length_shares(c);
  ASSERT_EQ(longer.size(), 6u);
  EXPECT_DOUBLE_EQ(longer[1], 2.0 / 5);
  EXPECT_DOUBLE_EQ(longer[3], 3.0 / 5 * 1.0 / 3);
  EXPECT_DOUBLE_EQ(longer[5], 3.0 / 5 * 2.0 / 3);
}

// Without censoring, the estimate is the plain share of each length, over many random records.
TEST(Spells, WithoutCensoringThePlainShares) {
  for (unsigned seed = 1; seed <= 50; ++seed) {
    std::mt19937 pick(seed);
    std::vector<DayKind> kinds{W};
    std::map<int, int> lengths;
    int spells = 0;
    for (int n = 0; n < 200; ++n) {
      const int k = static_cast<int>(pick() % 12) * static_cast<int>(pick() % 2);
      kinds.insert(kinds.end(), static_cast<std::size_t>(k), D);
      kinds.push_back(W);
      ++lengths[k];
      ++spells;
    }
    const std::vector<double> shares = spell_length_shares(count_spells(kinds));
    for (std::size_t k = 0; k < shares.size(); ++k)
      EXPECT_NEAR(shares[k], static_cast<double>(lengths[static_cast<int>(k)]) / spells, 1e-12) << seed;
  }
}

// The README's worked example: shares 0.5, 0.3, 0.2 of 0, 1 and 2 days.
TEST(SpellTable, WorkedExample) {
  EXPECT_EQ(spell_table_entries({0.5, 0.3, 0.2}, SpellTableKind::matched), (std::vector<double>{1.0, 0.6}));
  EXPECT_EQ(spell_table_entries({0.5, 0.3, 0.2}, SpellTableKind::cumulative), (std::vector<double>{0.8, 1.0}));
  EXPECT_TRUE(spell_table_entries({1.0}, SpellTableKind::matched).empty());
}

// Writes INPUT.TXT and three stations (all the same) into dir, as the program reads them.
void write_run(const TempDir& dir, const StationFiles& files) {
  Settings settings;
  settings.site_name = "TEST";
  const char* ids[] = {"ALFA", "BRAV", "CHAR"};
  for (int i = 0; i < 3; ++i) settings.stations[i] = {id(ids[i]), i};
  settings.day_count = 10;
  write_settings(dir.path(), settings);
  for (const char* text : ids) {
    StationFiles station = files;
    station.id = id(text);
    write_station_files(dir.path(), station);
  }
}

// The program's draws of values r = (2i + 1) / 2^18, i = 0 .. 2^17 - 1, evenly over (0, 1): the
// share of each result, as the child reports it in probe.txt.
std::map<int, double> shares_drawn(const TempDir& dir, const std::function<int()>& draw) {
  testing_support::run_routines(dir, [&] {
    raingen::read_run_configuration();
    raingen::read_spell_tables();
    std::map<int, long> counts;
    const int n = 1 << 17;
    for (int i = 0; i < n; ++i) {
      testing_support::arrange_next_value(static_cast<float>((2.0 * i + 1) / (1 << 18)));
      ++counts[draw()];
    }
    for (const auto& [value, count] : counts)
      testing_support::probe(std::to_string(value) + " " + std::to_string(count));
  });
  std::map<int, double> shares;
  std::ifstream in(dir / "probe.txt");
  int value = 0;
  long count = 0;
  while (in >> value >> count) shares[value] = static_cast<double>(count) / (1 << 17);
  return shares;
}

// The matched table gives every length its share through the program's own sampler, to the 4
// decimals of the field (plus the spacing of the values tried), for many sets of shares; the
// cumulative table does not.
TEST(SpellTable, MatchedTableThroughTheProgramsSampler) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 pick(seed);
    std::vector<double> shares(1 + pick() % 40);
    double sum = 0;
    for (double& share : shares) sum += share = (pick() % 4 == 0) ? 0.0 : std::pow((pick() % 1000) / 1000.0, 3);
    if (sum == 0) shares[0] = sum = 1;
    for (double& share : shares) share /= sum;

    StationFiles files;
    files.spell_entries = spell_table_entries(shares, SpellTableKind::matched);
    files.days.resize(1);
    TempDir dir;
    write_run(dir, files);
    const std::map<int, double> drawn = shares_drawn(dir, [] {
      raingen::current_station = 1;
      raingen::draw_spell_length();
      return static_cast<int>(raingen::spell_length(1));
    });
    for (std::size_t k = 0; k < shares.size(); ++k) {
      const auto at = drawn.find(static_cast<int>(k));
      EXPECT_NEAR(at == drawn.end() ? 0.0 : at->second, shares[k], 0.00005 + 2.0 / (1 << 17))
          << "seed " << seed << ", " << k << " days of " << shares.size() - 1;
    }
  }
  // With the cumulative table the program draws 0 days with half the first entry's chance.
  StationFiles files;
  files.spell_entries = spell_table_entries({0.5, 0.3, 0.2}, SpellTableKind::cumulative);
  files.days.resize(1);
  TempDir dir;
  write_run(dir, files);
  const std::map<int, double> drawn = shares_drawn(dir, [] {
    raingen::current_station = 1;
    raingen::draw_spell_length();
    return static_cast<int>(raingen::spell_length(1));
  });
  EXPECT_NEAR(drawn.at(0), 0.4, 1e-4);
  EXPECT_NEAR(drawn.at(1), 0.5, 1e-4);
  EXPECT_NEAR(drawn.at(2), 0.1, 1e-4);
}

// Every real wet day comes up as often as the others through the program's own resampler, the
// last one included, thanks to its extra copy.
TEST(DayFile, EveryWetDayComesUpTheLastToo) {
  // Days 0..9: day d wet with d + 1 in its first interval when d is even.
  const CalendarSeries s = days_series(10, [](int d, int j) { return d % 2 == 0 && j == 0 ? d + 1.0 : 0.0; });
  const PreparedStation prepared = prepare_station(s, id("ALFA"), small_record(), "r.csv");
  ASSERT_EQ(prepared.files.days.size(), 6u);  // five wet days and the copy
  TempDir dir;
  write_run(dir, prepared.files);
  const std::map<int, double> drawn = shares_drawn(dir, [] {
    raingen::current_station = 1;
    raingen::draw_historical_day();
    return static_cast<int>(raingen::DayPattern(1, 1));
  });
  EXPECT_EQ(drawn.size(), 5u);
  for (int first : {1, 3, 5, 7, 9}) EXPECT_NEAR(drawn.at(first), 0.2, 1e-4) << first;

  // Without the copy the last day never comes up.
  StationFiles without = prepared.files;
  without.days.pop_back();
  TempDir other;
  write_run(other, without);
  const std::map<int, double> drawn_without = shares_drawn(other, [] {
    raingen::current_station = 1;
    raingen::draw_historical_day();
    return static_cast<int>(raingen::DayPattern(1, 1));
  });
  EXPECT_EQ(drawn_without.count(9), 0u);
  EXPECT_NEAR(drawn_without.at(1), 0.25, 1e-4);
}

TEST(PrepareStation, FilesAndSummaryOfASmallRecord) {
  // 2001-01-01 .. 01-08: W D D W W I D W; interval 2 of a wet day holds its number of the day + 0.25.
  const double nan = CalendarSeries::missing_value();
  const CalendarSeries s = days_series(8, [&](int d, int j) {
    if (d == 5 && j == 7) return nan;
    const bool wet = d == 0 || d == 3 || d == 4 || d == 7;
    return wet && j == 1 ? d + 0.25 : 0.0;
  });
  const PreparedStation p = prepare_station(s, id("AB"), small_record(), "r.csv");
  EXPECT_EQ(p.summary.wet_days, 4);
  EXPECT_EQ(p.summary.dry_days, 3);
  EXPECT_EQ(p.summary.incomplete_days, 1);
  EXPECT_EQ(p.summary.spells_ended, 2);     // 2 days, 0 days
  EXPECT_EQ(p.summary.spells_censored, 2);  // cut by the gap after 0 days, by the end after 0 days
  EXPECT_EQ(p.summary.shares, (std::vector<double>{0.5, 0.0, 0.5}));
  EXPECT_DOUBLE_EQ(p.summary.total_written, 0.25 + 3.25 + 4.25 + 7.25);
  EXPECT_EQ(spell_table_text(p.files),
            "AB dry spells between wet days, matched table: 2 ended, 2 censored; 0.500000 of spells have 0 days\r\n"
            "ENTRIES          2\r\n"
            "   LENGTH    ENTRY  SHARE OF SPELLS (estimated, not read)\r\n"
            "        1   1.0000  0.000000\r\n"
            "        2   0.0000  0.500000\r\n");
  const std::string index = day_index_text(p.files);
  EXPECT_EQ(index.substr(0, index.find("\r\n", index.find("KEY"))),
            "AB               4 wet days of AB from 2001-01-01, 15-minute depths in mm, and one copy of the last\r\n"
            "RECORDS          5\r\n"
            "      KEY  DATE        TOTAL(MM)");
  EXPECT_NE(index.find("\r\n 20010108  2001-01-08      7.25\r\n 20010108  2001-01-08      7.25  copy"),
            std::string::npos);
  const std::string days = day_records_text(p.files);
  const std::string first = days.substr(0, days.find("\r\n"));
  EXPECT_EQ(first.size(), 29u + 96 * 6);
  EXPECT_EQ(first.substr(0, 41), "AB   2001-01-01  TOTAL   0.25  0.00  0.25");
  EXPECT_EQ(days.size(), 5 * (first.size() + 2));
}

// Records the program could not draw from, refused with their numbers and what to do; the least
// counts of days are the tool's (30 complete, 10 wet). Wet days carry 1 mm in their first interval.
TEST(PrepareStation, RecordsThatCannotMakeAStation) {
  const auto message = [](const CalendarSeries& s, PrepareOptions options = {}) {
    try {
      prepare_station(s, id("AB"), options, "r.csv");
      return std::string("no error");
    } catch (const raingen::common::ToolError& e) {
      return raingen::common::located_message(e);
    }
  };
  const auto wet_on = [](std::function<bool(int)> wet) {
    return [wet](int d, int j) { return wet(d) && j == 0 ? 1.0 : 0.0; };
  };
  const double nan = CalendarSeries::missing_value();
  // 40 days missing 5 intervals each but days 0-7: 8 complete days, the rest kept at 95% or less.
  const auto five_missing = [&](int d, int j) {
    return d >= 8 && j % 19 == 3 ? nan : (j == 0 && d % 3 == 0 ? 1.0 : 0.0);
  };
  const PrepareOptions at_90{.days = {90, 0}};
  const PrepareOptions threshold{.days = {100, 0.5}};
  const struct {
    CalendarSeries series;
    PrepareOptions options;
    std::string message;
  } cases[] = {
      {days_series(3, wet_on([](int) { return false; })), small_record(),
       "r.csv: station AB has no wet day among its 3 complete days (a day is wet above 0 mm)"},
      {days_series(3, wet_on([](int d) { return d == 1; })), small_record(),
       "r.csv: station AB has no dry spell that ends in a wet day: no spell length can be estimated"},
      {CalendarSeries("R", TimePoint{}, 200),
       {},
       "r.csv: station AB has no complete day: none of its 3 days has 100% of "
       "its intervals present"},
      {days_series(1204, wet_on([](int d) { return d == 0 || d == 1203; })), small_record(),
       "r.csv: station AB has a dry spell of 1202 days; a spell table holds at most 1201 entries"},
      {days_series(1203, wet_on([](int d) { return d == 0 || d == 1202; })), small_record(), "no error"},
      // Too few complete days: 8 of 8, and 8 of 40 with what lower percentages would keep.
      {days_series(8, wet_on([](int d) { return d % 2 == 0; })),
       {},
       "r.csv: station AB keeps 8 complete days of 8 (--min-complete 100); at least 30 are needed to draw from: give a "
       "longer record, or a lower --min-complete"},
      {days_series(40, five_missing),
       {},
       "r.csv: station AB keeps 8 complete days of 40 (--min-complete 100); at least 30 are needed to draw from; "
       "--min-complete 99 would keep 8 days, 95 8, 90 40, 80 40: a gauge that loses a few readings a day keeps more "
       "days "
       "at a lower --min-complete (the missing intervals of a day kept are taken as dry)"},
      {days_series(40, five_missing), at_90, "no error"},
      {days_series(40, [&](int d, int j) { return j % 19 == 3 ? nan : 0.0 * d; }),
       {},
       "r.csv: station AB has no complete day: none of its 40 days has 100% of its intervals present; --min-complete "
       "99 "
       "would keep 0 days, 95 0, 90 40, 80 40: a gauge that loses a few readings a day keeps more days at a lower "
       "--min-complete (the missing intervals of a day kept are taken as dry)"},
      {days_series(29, wet_on([](int d) { return d % 2 == 0; })), at_90,
       "r.csv: station AB keeps 29 complete days of 29 (--min-complete 90); at least 30 are needed to draw from: give "
       "a "
       "longer record, or a lower --min-complete"},
      {days_series(30, wet_on([](int d) { return d % 2 == 0; })), {}, "no error"},
      // Too few wet days: 9, then 10; a threshold that makes days dry says so.
      {days_series(60, wet_on([](int d) { return d % 7 == 0 && d < 63; })),
       {},
       "r.csv: station AB has 9 wet days among its 60 complete days (wet above 0 mm); at least 10 are needed to draw "
       "from: give a longer record"},
      {days_series(70, wet_on([](int d) { return d % 7 == 0; })), {}, "no error"},
      {days_series(70, wet_on([](int d) { return d % 7 == 0; })), threshold, "no error"},
      {days_series(70, [](int d, int j) { return j == 0 && d % 7 == 0 ? (d < 14 ? 1.0 : 0.5) : 0.0; }), threshold,
       "r.csv: station AB has 2 wet days among its 70 complete days (wet above 0.5 mm); at least 10 are needed to draw "
       "from: give a longer record, or a lower --wet-threshold"},
      // Wet every day: no spell lasts a day, a table of no entries would make every generated day wet.
      {days_series(40, wet_on([](int) { return true; })),
       {},
       "r.csv: station AB has no dry day between wet days: its 40 dry spells all end after 0 days, so its spell table "
       "would have no entries and the program would make every day wet; give a record with dry days between its wet "
       "days, or a --wet-threshold above 0 if traces wet them"},
  };
  for (const auto& c : cases) EXPECT_EQ(message(c.series, c.options), c.message);
  // The guidance of a kept record that the default thins out goes into its summary.
  PrepareOptions default_options;
  const PreparedStation kept = prepare_station(
      days_series(70, [&](int d, int j) { return d >= 30 && j % 19 == 3 ? nan : (j == 0 && d % 3 == 0 ? 1.0 : 0.0); }),
      id("AB"), default_options, "r.csv");
  EXPECT_EQ(kept.summary.complete_days, 30);
  EXPECT_EQ(kept.summary.complete_at, (std::vector<std::pair<double, long>>{{99, 30}, {95, 30}, {90, 70}, {80, 70}}));
}

TEST(StationFiles, DepthsThatDoNotFitAndAllOrNone) {
  DayRecord day;
  day.key = 20010101;
  day.depths[95] = 99.994;
  EXPECT_EQ(day_line(day).substr(29 + 95 * 6), " 99.99");
  for (double bad : {99.995, -0.01, CalendarSeries::missing_value()}) {
    day.depths[95] = bad;
    EXPECT_THROW(day_line(day), raingen::common::ToolError) << bad;
  }
  day.depths[95] = 100.0;
  try {
    day_line(day);
  } catch (const raingen::common::ToolError& e) {
    EXPECT_STREQ(e.what(),
                 "day 20010101, interval 96 (ending 24:00): the depth 100.00 mm cannot be written in 5 "
                 "columns (0.00 to 99.99 mm)");
  }
  // A value that does not fit is named with the file it was to go into, and nothing is written.
  TempDir dir;
  StationFiles station;
  station.id = id("AB");
  station.days = {day};
  const auto error_of = [&] {
    try {
      write_station_files(dir.path(), station);
    } catch (const raingen::common::ToolError& e) {
      return raingen::common::located_message(e);
    }
    return std::string("written");
  };
  EXPECT_EQ(error_of(), (dir / "AB  F_2.TXT").string() +
                            ": day 20010101, interval 96 (ending 24:00): the depth 100.00 mm "
                            "cannot be written in 5 columns (0.00 to 99.99 mm)");
  station.days.clear();
  station.spell_entries = {0.5, 10000.0};
  EXPECT_EQ(error_of(),
            (dir / "AB  D_3.TXT").string() + ": spell table entry 2 (10000) does not fit 9 columns with 4 decimals");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  // A file that cannot be put in place stops the writing before any file is touched.
  station.spell_entries.clear();
  station.days.resize(1);
  std::filesystem::create_directory(dir / "AB  F_3.TXT");
  dir.write("AB  D_3.TXT", "old");
  EXPECT_THROW(write_station_files(dir.path(), station), raingen::common::UsageError);
  EXPECT_EQ(dir.read("AB  D_3.TXT"), "old");
  EXPECT_FALSE(dir.exists("AB  F_2.TXT"));
}

}  // namespace

namespace {

// The day's depths of days, in hundredths, for the intervals listed.
std::vector<std::int64_t> hundredths_at(const RecordDays& days, std::size_t d, const std::vector<int>& intervals) {
  std::vector<std::int64_t> out;
  for (int j : intervals) out.push_back(hundredths(days.day_depths(d)[j]));
  return out;
}

}  // namespace

// A change worked by hand. Pool of the wet depths 0.10, 0.20, 0.20, 1.00 (mid-rank quantiles 1/8,
// 1/2, 1/2, 7/8) under p0=1,p100=2: factors 1.125, 1.5, 1.875, so 0.11, 0.30, 1.88 (1.875 half up);
// dry intervals stay dry. Then wet-days=-50% makes wet days 2 and 4 of four dry, evenly
// spaced; +50% makes 2 of the 4 dry days wet, each a copy of the nearest wet day in its month.
TEST(Change, QuantileFactorsAndWetDaysWorkedByHand) {
  const CalendarSeries s = days_series(8, [](int d, int j) {
    if (d % 2 == 1) return 0.0;              // days 1, 3, 5, 7 dry
    if (d == 0) return j == 5 ? 0.10 : 0.0;  // days 0, 2, 4, 6 wet
    if (d == 2) return j == 7 ? 0.20 : 0.0;
    if (d == 6) return j == 9 ? 0.20 : 0.0;
    return d == 4 && j == 8 ? 1.00 : 0.0;
  });
  const RecordDays before = split_days(s, {});
  RecordDays days = before;
  ClimateChange climate = parse_change("p0=1,p100=2");
  EXPECT_DOUBLE_EQ(climate.factor_at(0.25), 1.25);
  const auto factors = scale_depths(days, climate);
  EXPECT_EQ(factors, (std::array<double, 4>{1.5, 1.9, 1.99, 1.999}));
  EXPECT_EQ(hundredths_at(days, 0, {5, 6}), (std::vector<std::int64_t>{11, 0}));
  EXPECT_EQ(hundredths_at(days, 2, {7}), (std::vector<std::int64_t>{30}));
  EXPECT_EQ(hundredths_at(days, 4, {8}), (std::vector<std::int64_t>{188}));
  EXPECT_EQ(hundredths_at(days, 6, {0, 9}), (std::vector<std::int64_t>{0, 30}));

  const WetDayChange fewer = wet_day_change(before.kinds, before.first_day, -50, "r.csv");
  EXPECT_EQ(fewer.kinds, (std::vector<DayKind>{W, D, D, D, W, D, D, D}));
  EXPECT_EQ(fewer.removed, 2);
  const WetDayChange more = wet_day_change(before.kinds, before.first_day, 50, "r.csv");
  EXPECT_EQ(more.kinds, (std::vector<DayKind>{W, D, W, W, W, D, W, W}));
  EXPECT_EQ(more.copies, (std::vector<std::pair<std::size_t, std::size_t>>{{3, 2}, {7, 6}}));
  const ChangeResult result = change_days(days = before, parse_change("factor=2,wet-days=50%"), "r.csv");
  EXPECT_EQ(hundredths_at(days, 3, {7}), (std::vector<std::int64_t>{40}));  // a copy of day 2, doubled
  EXPECT_EQ(change_result_text(result),
            "p50 x2.000, p90 x2.000, p99 x2.000, p99.9 x2.000; wet days 4 -> 6 of 8 complete days (50.00% -> 75.00%, "
            "2 made wet); wet-day depth 1.50 -> 3.80 mm; largest 15-minute depth 1.00 -> 2.00 mm");
  try {
    wet_day_change(before.kinds, before.first_day, 150, "r.csv");
    ADD_FAILURE() << "more dry days made wet than there are";
  } catch (const raingen::common::ToolError& e) {
    EXPECT_EQ(raingen::common::located_message(e),
              "r.csv: --change wet-days=+150% would make 6 dry days wet, and the record has 4 complete dry days");
  }
}

TEST(Change, TermsThatDoNotRead) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "give terms such as factor=1.2, p50=1,p99=1.3, warming=2 or wet-days=-10%"},
      {"factor", "'factor' is not KEY=VALUE (factor=F, pQ=F, warming=D, rate=R, from=Q, wet-days=P%)"},
      {"factor=x", "factor=x is not a number"},
      {"factor=0", "the factor at p0 is 0: a factor lies above 0"},
      {"p50=1,p50=2", "p50 is given twice"},
      {"p90=1.2,p50=1", "p50 comes after p90: give the quantiles rising"},
      {"p101=1", "p101: a quantile lies within 0-100"},
      {"p50=1.2,p90=1",
       "the factor falls from 1.2 at p50 to 1 at p90: factors rise (or stay) with the quantile, so that a heavier "
       "interval never becomes lighter than a lighter one"},
      {"factor=1.1,p50=1", "give factor=F, pQ=F points or warming=D, one of them"},
      {"rate=3", "rate and from shape a warming: give warming=D with them"},
      {"warming=2,from=99", "from=99: the scaling starts at a quantile below 99"},
      {"wet-days=-100%", "wet-days=-100%: a change above -100% leaves wet days to draw from"},
      {"drier=1", "'drier' is no term of --change (factor, pQ, warming, rate, from, wet-days)"},
  };
  for (const auto& [climate, message] : cases) {
    try {
      parse_change(climate);
      ADD_FAILURE() << climate << " was taken";
    } catch (const raingen::common::UsageError& e) {
      EXPECT_EQ(e.message(), std::string("--change: ") + message) << climate;
    }
  }
  const ClimateChange warming = parse_change("warming=2,rate=10,wet-days=+5");
  EXPECT_DOUBLE_EQ(warming.factor_at(0.9), 1);
  EXPECT_DOUBLE_EQ(warming.factor_at(0.999), 1.21);
  EXPECT_DOUBLE_EQ(warming.wet_days_percent, 5);
}
