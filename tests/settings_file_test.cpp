// INPUT.TXT written in the program's columns and read back from exactly those columns.
#include <gtest/gtest.h>

#include <tuple>

#include "common/tool_error.h"
#include "stations/settings_file.h"
#include "support/child.h"
#include "support/station_data.h"

namespace {

using namespace raingen::stations;
using raingen::common::ToolError;
using raingen::common::UsageError;
using testing_support::TempDir;

StationId id(const char* text) { return StationId::given(text, "test identifier"); }

Settings pau() {
  Settings s;
  s.site_name = "PAU01 OUTLT";
  s.stations = {StationSetting{id("PD01"), 0}, StationSetting{id("PD02"), 1}, StationSetting{id("P3"), 999}};
  s.day_count = 2000;
  return s;
}

TEST(SettingsFile, WrittenInTheProgramsColumnsAndReadBack) {
  EXPECT_EQ(settings_text(pau()),
            "RESULTS FILE: RESULTS.TXT\r\n"
            "SITE NAME:    PAU01 OUTLT\r\n"
            "STATION 1:    PD01\r\n"
            "STATION 2:    PD02\r\n"
            "STATION 3:    P3\r\n"
            "DISTANCE 1:     0\r\n"
            "DISTANCE 2:     1\r\n"
            "DISTANCE 3:   999\r\n"
            "NUMBER DAYS:  2000\r\n");
  TempDir dir;
  write_settings(dir.path(), pau());
  const Settings back = read_settings(dir / "INPUT.TXT");
  EXPECT_EQ(back.results_name, "RESULTS.TXT");
  EXPECT_EQ(back.site_name, "PAU01 OUTLT");
  EXPECT_EQ(back.stations[2].id, id("P3"));
  EXPECT_EQ(back.stations[2].id.file_name(raingen::common::StationFile::spell_table), "P3  D_3.TXT");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(back.stations[i].distance, pau().stations[i].distance);
  EXPECT_EQ(back.day_count, 2000);
}

// A file written by hand: labels, LF or CR LF, text past the fields, blanks inside numbers,
// a blank field (0), a comma ending a number, records after the ninth.
TEST(SettingsFile, ReadAsTheProgramReadsIt) {
  TempDir dir;
  testing_support::Settings hand;
  hand.results_name = " OUT.TXT   not read";
  hand.site_name = "HILLSIDE";
  hand.station_ids = {"ALFAxx", "BR", "CHAR"};
  hand.distances = {"1 2", "", "3,9"};
  hand.day_count = "+ 10";
  dir.write("INPUT.TXT", testing_support::input_text(hand) + "more\r\n");
  const Settings s = read_settings(dir / "INPUT.TXT");
  EXPECT_EQ(s.results_name, "OUT.TXT");
  EXPECT_EQ(s.stations[0].id, id("ALFA"));
  EXPECT_EQ(s.stations[1].id, id("BR"));
  EXPECT_EQ(s.stations[0].distance, 12);
  EXPECT_EQ(s.stations[1].distance, 0);
  EXPECT_EQ(s.stations[2].distance, 3);
  EXPECT_EQ(s.day_count, 10);

  // The first fault the program would meet, record by record.
  const std::string stations = "a\r\nb\r\nSTATION 1:    A\r\nSTATION 2:    B\r\nSTATION 3:    C\r\n";
  const std::tuple<std::string, long, const char*> faults[] = {
      {stations + "DISTANCE 1:    x1\r\n", 6, "columns 15-17 hold ' x1', not a whole number"},
      {stations + "f\ng\nh\n", 9, "is missing: the settings need nine records, the file has 8"},
      // Identifiers the tools' rule refuses, though the program would open files by them.
      {"a\nb\nSTATION 1:    A\nSTATION 2:     B\n", 4,
       "station 2 identifier ' B' must be 1 to 4 printable ASCII "
       "characters, no blank or '/'"},
      {"a\nb\nSTATION 1:    A B\n", 3,
       "station 1 identifier 'A B' must be 1 to 4 printable ASCII characters, no "
       "blank or '/'"},
      {"a\nb\nc\n", 3, "station 1 identifier '' must be 1 to 4 printable ASCII characters, no blank or '/'"},
  };
  for (const auto& [text, line, message] : faults) {
    dir.write("INPUT.TXT", text);
    try {
      read_settings(dir / "INPUT.TXT");
      ADD_FAILURE() << message;
    } catch (const ToolError& e) {
      EXPECT_EQ(e.line(), line) << message;
      EXPECT_STREQ(e.what(), message);
    }
  }
}

TEST(SettingsFile, ValuesThatDoNotFitAreUsageErrors) {
  const std::pair<const char*, std::function<void(Settings&)>> cases[] = {
      {"the site name 'TWELVE CHARS' is longer than its 11 characters",
       [](Settings& s) { s.site_name = "TWELVE CHARS"; }},
      {"the results name 'RESULTS.TXT2' is longer than its 11 characters",
       [](Settings& s) { s.results_name = "RESULTS.TXT2"; }},
      {"the number of days (0) is not from 1 to 2000", [](Settings& s) { s.day_count = 0; }},
      {"the number of days (2001) is not from 1 to 2000, the most one run makes: prepare INPUT.TXT with fewer and make "
       "the longer series with raingen-ensemble --days N (-n 1 for one)",
       [](Settings& s) { s.day_count = 2001; }},
      {"the distance of station PD02 (1000) is not a whole number from 0 to 999",
       [](Settings& s) { s.stations[1].distance = 1000; }},
      {"station 2 has no identifier", [](Settings& s) { s.stations[1].id = StationId(); }},
      {"stations 1 and 3 have the same identifier 'PD01'", [](Settings& s) { s.stations[2].id = id("PD01"); }},
      {"the results name 'SOURCE.OUT' names another file of the run",
       [](Settings& s) { s.results_name = "SOURCE.OUT"; }},
      {"the results name 'PD02F_2.TXT' names a station file", [](Settings& s) { s.results_name = "PD02F_2.TXT"; }},
      {"the results name 'pd02d_3.txt' names a station file", [](Settings& s) { s.results_name = "pd02d_3.txt"; }},
      {"the results name '../x.txt' is not a plain file name: the table is written beside INPUT.TXT, in the run folder",
       [](Settings& s) { s.results_name = "../x.txt"; }},
      {"the results name 'a\\b' is not a plain file name: the table is written beside INPUT.TXT, in the run folder",
       [](Settings& s) { s.results_name = "a\\b"; }},
      {"the results name 'Raingen.txt' names another file of the run",
       [](Settings& s) { s.results_name = "Raingen.txt"; }},
      {"the results name 'input.txt' names another file of the run", [](Settings& s) { s.results_name = "input.txt"; }},
      {"the results name 'NUL.TXT' is a device name that some systems reserve: name a file",
       [](Settings& s) { s.results_name = "NUL.TXT"; }},
      {"the results name 'com7' is a device name that some systems reserve: name a file",
       [](Settings& s) { s.results_name = "com7"; }},
  };
  for (const auto& [message, change] : cases) {
    Settings s = pau();
    change(s);
    try {
      settings_text(s);
      ADD_FAILURE() << message;
    } catch (const UsageError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

}  // namespace
