// The program's day resampler against the literal one that rereads both files for every draw:
// over many seeds and station files (well formed, with faulty lines in either file, shorter than
// their count, counts of 0, 1 and 2), both must leave the same generator state and the same
// error after every call, and the same DayPattern after every call that does not fail.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "generator/shared.h"
#include "records/connections.h"
#include "records/console.h"
#include "records/run_end.h"
#include "reference/literal_resampler.h"
#include "support/child.h"

namespace {

using namespace raingen;
using testing_support::TempDir;

// A station's two files, with the damage a case asks for.
struct StationFiles {
  int count = 0;            // the count on line 2 of the index
  int lines = 0;            // day records actually present (index lines likewise)
  int bad_day_line = 0;     // this day line holds a letter in a value field (0: none)
  int bad_day_field = 1;    // ... in this field
  int bad_index_line = 0;   // this index line (day k) holds a word in columns 1-9
  bool bad_header = false;  // line 1 of the index holds a word in columns 10-18
  int short_index = -1;     // the index has only this many day lines (-1: as many as days)
};

std::string right(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// "S<station><suffix>", built by appending (a plain concatenation trips a false warning of g++ 12).
std::string station_text(int station, const char* suffix) {
  std::string text = "S";
  text += std::to_string(station);
  text += suffix;
  return text;
}

std::string day_text(const StationFiles& f, int station) {
  std::string text;
  for (int k = 1; k <= f.lines; ++k) {
    std::string line = right(station_text(station, " day ") + std::to_string(k), 29);
    for (int j = 1; j <= 96; ++j) {
      char field[8];
      std::snprintf(field, sizeof field, " %5.2f", ((k * 37 + j * 11 + station * 5) % 400) / 100.0);
      std::string value = field;
      if (k == f.bad_day_line && j == f.bad_day_field) value = "  1.x5";
      line += value;
    }
    text += line + (k % 2 ? "\r\n" : "\n");
  }
  return text;
}

std::string index_text(const StationFiles& f) {
  std::string text = "INDEX    " + right(f.bad_header ? "HEADING" : "7", 9) + "\n";
  text += "RECORDS  " + right(std::to_string(f.count), 9) + "\n";
  text += "      DAY  DATE\n";
  const int lines = f.short_index >= 0 ? f.short_index : f.lines;
  for (int k = 1; k <= lines; ++k)
    text += (k == f.bad_index_line ? std::string("DAY ONE  ") : right(std::to_string(k), 9)) + "  1990-01-01\n";
  return text;
}

// What one call left behind.
struct AfterCall {
  std::vector<float> row;
  std::int32_t state = 0;
  std::optional<int> error;
  std::string error_file;

  bool operator==(const AfterCall&) const = default;
};

// A seed whose next value is about r: the state before 48271 * v mod (2^31 - 1) = r * 2^31.
std::int32_t seed_giving(double r) {
  const std::int64_t modulus = 2147483647, inverse_of_multiplier = 1899818559;  // 48271^-1
  const auto state = static_cast<std::int64_t>(r * 2147483648.0);
  return static_cast<std::int32_t>(state * inverse_of_multiplier % modulus);
}

// With draws given, call k takes station 1 and the value draws[k]; otherwise the seed decides.
std::vector<AfterCall> run_calls(const TempDir& dir, const std::vector<StationFiles>& stations, std::int32_t seed,
                                 int calls, void (*draw)(), const std::vector<double>& draws = {}) {
  reset_shared_state();
  records::reset_connections();
  for (int s = 1; s <= 3; ++s) {
    const std::string day = (dir / station_text(s, "F_2.TXT")).string();
    const std::string index = (dir / station_text(s, "F_3.TXT")).string();
    EXPECT_EQ(records::connect_unit(day_unit_of(s), day, records::Status::old, true), 0);
    EXPECT_EQ(records::connect_unit(index_unit_of(s), index, records::Status::old, true), 0);
    StationTable(s).day_record_count = stations[static_cast<std::size_t>(s - 1)].count;
  }
  set_seed(seed);
  std::vector<AfterCall> trail;
  for (int call = 0; call < calls; ++call) {
    // The station of each call follows the seed too, so stations interleave.
    current_station = 1 + (seed + call * 7 + call / 3) % 3;
    if (!draws.empty()) {
      if (call >= static_cast<int>(draws.size())) break;
      current_station = 1;
      set_seed(seed_giving(draws[static_cast<std::size_t>(call)]));
    }
    AfterCall after;
    try {
      draw();
    } catch (const records::RunEnd& end) {
      after.error = end.number;
      after.error_file = end.file_name;
    }
    // After a fault the run has ended: DayPattern is never read again.
    if (!after.error)
      for (int s = 1; s <= 3; ++s)
        for (int j = 1; j <= 96; ++j) after.row.push_back(DayPattern(s, j));
    after.state = generator_state;
    trail.push_back(after);
    if (after.error) break;  // a run ends at its first error
  }
  records::reset_connections();
  return trail;
}

void expect_same_trails(const std::vector<StationFiles>& stations, const std::string& label,
                        const std::vector<double>& draws = {}) {
  TempDir dir;
  for (int s = 1; s <= 3; ++s) {
    const StationFiles& f = stations[static_cast<std::size_t>(s - 1)];
    dir.write(station_text(s, "F_2.TXT"), day_text(f, s));
    dir.write(station_text(s, "F_3.TXT"), index_text(f));
  }
  for (std::int32_t seed : {0, 1, 2, 3, 5, 8, 13, 21, 34, 55, 89, 144, 233, 240, 123456789}) {
    auto literal = run_calls(dir, stations, seed, 40, reference::literal_draw_historical_day, draws);
    auto fast = run_calls(dir, stations, seed, 40, draw_historical_day, draws);
    ASSERT_EQ(literal.size(), fast.size()) << label << ", seed " << seed;
    for (std::size_t k = 0; k < literal.size(); ++k)
      ASSERT_TRUE(literal[k] == fast[k]) << label << ", seed " << seed << ", call " << k + 1
                                         << (literal[k].error ? ", literal error " + std::to_string(*literal[k].error)
                                                              : "")
                                         << (fast[k].error ? ", fast error " + std::to_string(*fast[k].error) : "");
  }
}

StationFiles well_formed(int lines) { return {.count = lines, .lines = lines}; }

TEST(ResamplerEquivalence, WellFormedFilesOfManySizes) {
  expect_same_trails({well_formed(40), well_formed(7), well_formed(25)}, "well formed");
  expect_same_trails({well_formed(1), well_formed(2), well_formed(0)}, "counts 1, 2, 0");
  expect_same_trails({well_formed(2), well_formed(0), well_formed(1)}, "counts 2, 0, 1");
}

TEST(ResamplerEquivalence, CountsBelowOneReadOnlyTheHeader) {
  StationFiles negative = well_formed(5);
  negative.count = -99999999;
  StationFiles zero = well_formed(5);
  zero.count = 0;
  expect_same_trails({negative, zero, well_formed(3)}, "negative and zero counts");
}

TEST(ResamplerEquivalence, FaultyDayLinesAtSeveralPositions) {
  for (int bad : {1, 2, 9, 20, 39, 40}) {
    StationFiles f = well_formed(40);
    f.bad_day_line = bad;
    f.bad_day_field = 1 + bad % 96;
    expect_same_trails({f, well_formed(12), f}, "bad day line " + std::to_string(bad));
  }
}

TEST(ResamplerEquivalence, FaultyIndexLinesAtSeveralPositions) {
  for (int bad : {1, 2, 10, 21, 40}) {
    StationFiles f = well_formed(40);
    f.bad_index_line = bad;
    expect_same_trails({well_formed(30), f, f}, "bad index line " + std::to_string(bad));
  }
  StationFiles header = well_formed(10);
  header.bad_header = true;
  expect_same_trails({well_formed(10), well_formed(10), header}, "bad index header");
}

// The fault lies just after the lines known so far, and the last draw was of an earlier line:
// reading must go on from the end of the known lines, meeting the fault as a reread from the
// start would.
TEST(ResamplerEquivalence, AFaultJustPastTheKnownLinesAfterAShorterDraw) {
  const std::vector<double> draws = {8.5 / 39, 2.5 / 39, 19.5 / 39};  // records 9, 3, 20
  StationFiles index = well_formed(40);
  index.bad_index_line = 10;
  expect_same_trails({index, well_formed(1), well_formed(1)}, "bad index line 10", draws);
  StationFiles day = well_formed(40);
  day.bad_day_line = 10;
  day.bad_day_field = 50;
  expect_same_trails({day, well_formed(1), well_formed(1)}, "bad day line 10", draws);
  expect_same_trails({well_formed(40), well_formed(1), well_formed(1)}, "well formed", draws);
}

TEST(ResamplerEquivalence, FilesShorterThanTheirCount) {
  StationFiles short_days = well_formed(15);
  short_days.count = 40;
  StationFiles short_index = well_formed(40);
  short_index.short_index = 12;
  expect_same_trails({short_days, short_index, well_formed(40)}, "files shorter than the count");
}

}  // namespace
