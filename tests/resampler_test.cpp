// Drawing a historical day: the record drawn, the rereading of both files, the lines on the way.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>

#include "generator/shared.h"
#include "support/generator_model.h"
#include "support/generator_runs.h"

namespace {

using namespace testing_support;

// Day k of the test station: interval j holds k + j/100.
DayValues numbered_day(int k) {
  DayValues day;
  for (int j = 0; j < 96; ++j) day[static_cast<std::size_t>(j)] = k + (j + 1) / 100.0;
  return day;
}

std::vector<DayValues> numbered_days(int n) {
  std::vector<DayValues> days;
  for (int k = 1; k <= n; ++k) days.push_back(numbered_day(k));
  return days;
}

// Station 1 (ALFA) with n numbered days, the count on line 2 of its index being `count`.
void write_days(const TempDir& dir, int n, int count) {
  write_standard_data(dir);
  dir.write("ALFAF_2.TXT", day_text(numbered_days(n)));
  dir.write("ALFAF_3.TXT", index_text(count, n));
}

// Which day a row of DayPattern holds: "k" for numbered day k, "-" for the sentinel row, else
// the first value.
std::string row_of(int s) {
  using raingen::DayPattern;
  if (DayPattern(s, 1) == -1.0f) return "-";
  for (int k = 0; k <= 99; ++k) {
    bool all = true;
    for (int j = 1; j <= 96 && all; ++j) {
      char text[16];
      std::snprintf(text, sizeof text, "%.2f", k + j / 100.0);
      all = DayPattern(s, j) == std::stof(text);
    }
    if (all) return std::to_string(k);
  }
  char text[32];
  std::snprintf(text, sizeof text, "%g", DayPattern(s, 1));
  return text;
}

void mark_rows() {
  for (int s = 1; s <= 3; ++s)
    for (int j = 1; j <= 96; ++j) raingen::DayPattern(s, j) = -1.0f;
}

// Configures the run, then draws a day for station `station` with each value of rs in turn,
// reporting the rows of all three stations after each draw and whether one value was taken.
std::function<void()> draws(int station, std::vector<float> rs) {
  return [station, rs] {
    using namespace raingen;
    read_run_configuration();
    mark_rows();
    for (float r : rs) {
      current_station = station;
      arrange_next_value(r);
      const std::int64_t expected = state_after(generator_state);
      draw_historical_day();
      probe(row_of(1) + " " + row_of(2) + " " + row_of(3) + (generator_state == expected ? "" : " !"));
    }
  };
}

struct DrawCase {
  int days, count;
  float r;
  const char* row;  // the rows after the draw
};

TEST(ResamplerTest, RecordDrawnFromCountLessOneTimesR) {
  const DrawCase cases[] = {
      {10, 10, 0.55f, "5 - -"},  // trunc(9 * 0.55) + 1
      {10, 10, 0.1f, "1 - -"},  {10, 10, 1.0f - 0x1p-24f, "9 - -"},
      {10, 10, 1.0f, "10 - -"},  // the last record only for r = 1.0
      {1, 1, 0.3f, "1 - -"},    {1, 1, 1.0f, "1 - -"},
      {2, 2, 0.99f, "1 - -"},   {2, 2, 1.0f, "2 - -"},
      {3, 0, 0.5f, "1 - -"},                             // a count of 0 still reads the first record when r < 1
      {3, 0, 1.0f, "- - -"},                             // and none for r = 1.0
      {0, 0, 1.0f, "- - -"},    {10, 4, 1.0f, "4 - -"},  // the count decides, not the lines in the files
  };
  for (const DrawCase& c : cases) {
    TempDir dir;
    write_days(dir, c.days, c.count);
    const Outcome outcome = run_routines(dir, draws(1, {c.r}));
    EXPECT_EQ(outcome.err, "") << c.days << " " << c.r;
    EXPECT_FALSE(dir.exists("end.txt")) << c.days << " " << c.r;
    EXPECT_EQ(dir.read("probe.txt"), std::string(c.row) + "\n") << c.days << " days, r " << c.r;
  }
}

TEST(ResamplerTest, EveryCallRereadsFromTheStart) {
  TempDir dir;
  write_days(dir, 10, 10);
  run_routines(dir, draws(1, {0.9f, 0.15f, 0.15f, 0.55f}));
  EXPECT_EQ(dir.read("probe.txt"), "9 - -\n2 - -\n2 - -\n5 - -\n");
}

TEST(ResamplerTest, OnlyTheRowOfTheCurrentStationChanges) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("BRAVF_2.TXT", day_text(numbered_days(3)));
  run_routines(dir, draws(2, {0.7f}));  // trunc(2 * 0.7) + 1 = 2
  EXPECT_EQ(dir.read("probe.txt"), "- 2 -\n");
}

TEST(ResamplerTest, FreeColumnsOfADayLineDoNotMatter) {
  TempDir dir;
  write_days(dir, 3, 3);
  const std::string text = day_line(numbered_day(1), "19870312 ,;: 99.99 -1 TOTAL=8") + "\n" +
                           day_line(numbered_day(2), "") + " 123.45 END OF LINE, X\n" +
                           day_line(numbered_day(3), "\t\t\t") + "\n";
  dir.write("ALFAF_2.TXT", text);
  run_routines(dir, draws(1, {0.1f, 0.6f}));
  EXPECT_EQ(dir.read("probe.txt"), "1 - -\n2 - -\n");
}

TEST(ResamplerTest, ValuesWithAndWithoutADecimalPoint) {
  TempDir dir;
  write_days(dir, 1, 1);
  std::string line = std::string(29, 'x');
  line += "   125";  // implied decimals: 1.25
  line += "   1.5";  // the point overrides them
  line += "      ";  // blank: 0.0
  line += "   -.5";
  dir.write("ALFAF_2.TXT", line + "\n");
  run_routines(dir, [] {
    using namespace raingen;
    read_run_configuration();
    current_station = 1;
    arrange_next_value(0.5f);
    draw_historical_day();
    char text[96];
    std::snprintf(text, sizeof text, "%g %g %g %g %g", DayPattern(1, 1), DayPattern(1, 2), DayPattern(1, 3),
                  DayPattern(1, 4), DayPattern(1, 96));
    probe(text);
  });
  EXPECT_EQ(dir.read("probe.txt"), "1.25 1.5 0 -0.5 0\n");
}

// Day k of ten, with day line or index line `bad` spoiled.
void write_with_bad_line(const TempDir& dir, int bad, bool in_index) {
  write_days(dir, 10, 10);
  std::string days, index = "INDEX            1\nRECORDS         10\nDAY\n";
  for (int k = 1; k <= 10; ++k) {
    days += (k == bad && !in_index ? std::string(29, ' ') + "  ABCDE" : day_line(numbered_day(k))) + "\n";
    index += (k == bad && in_index ? std::string("  DAY SIX") : std::to_string(k)) + "\n";
  }
  dir.write("ALFAF_2.TXT", days);
  dir.write("ALFAF_3.TXT", index);
}

TEST(ResamplerTest, MalformedLinesAfterTheDrawnRecordDoNoHarm) {
  for (bool in_index : {false, true}) {
    TempDir dir;
    write_with_bad_line(dir, 6, in_index);
    run_routines(dir, draws(1, {0.55f}));
    EXPECT_FALSE(dir.exists("end.txt"));
    EXPECT_EQ(dir.read("probe.txt"), "5 - -\n");
  }
}

TEST(ResamplerTest, MalformedLinesOnTheWayEndTheRun) {
  const struct {
    int bad;
    bool in_index;
    const char* end;
  } cases[] = {
      {6, false, "error 6103 ALFAF_2.TXT"},
      {6, true, "error 6101 ALFAF_3.TXT"},
      {9, false, "error 6103 ALFAF_2.TXT"},  // the drawn record itself
  };
  for (const auto& c : cases) {
    TempDir dir;
    write_with_bad_line(dir, c.bad, c.in_index);
    run_routines(dir, draws(1, {0.9f}));  // record 9
    EXPECT_EQ(dir.read("end.txt"), c.end);
  }
}

TEST(ResamplerTest, FirstIndexLineMustConvert) {
  TempDir dir;
  write_days(dir, 3, 3);
  dir.write("ALFAF_3.TXT", "INDEX    HEADING\nRECORDS          3\nDAY\n1\n2\n3\n");
  run_routines(dir, draws(1, {0.5f}));
  EXPECT_EQ(dir.read("end.txt"), "error 6101 ALFAF_3.TXT");
}

TEST(ResamplerTest, FilesShorterThanTheDrawnRecord) {
  {
    TempDir dir;
    write_days(dir, 10, 10);
    dir.write("ALFAF_2.TXT", day_text(numbered_days(4)));
    run_routines(dir, draws(1, {0.55f}));
    EXPECT_EQ(dir.read("end.txt"), "error 6501 ALFAF_2.TXT");
  }
  {
    TempDir dir;
    write_days(dir, 10, 10);
    dir.write("ALFAF_3.TXT", index_text(10, 4));
    run_routines(dir, draws(1, {0.55f}));
    EXPECT_EQ(dir.read("end.txt"), "error 6501 ALFAF_3.TXT");
  }
}

// An index whose count promises far more records than the files hold ends with the files' error
// before it costs memory in proportion to the count. Under a 1 GiB address space, room for the
// positions of half a billion records (4 GB) cannot be taken; the sanitizers' shadow memory needs
// more address space than that, so there the limit is not set.
TEST(ResamplerTest, ACountFarBeyondTheFilesTakesNoMemoryForIt) {
  TempDir dir;
  write_days(dir, 10, 999999999);
  run_routines(dir, [] {
#ifndef __SANITIZE_ADDRESS__
    const rlimit limit{rlim_t{1} << 30, rlim_t{1} << 30};
    setrlimit(RLIMIT_AS, &limit);
#endif
    draws(1, {0.55f})();
  });
  EXPECT_EQ(dir.read("end.txt"), "error 6501 ALFAF_3.TXT");
}

}  // namespace
