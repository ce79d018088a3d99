// Builds the text of the program's input files for tests: INPUT.TXT and a station's D_3, F_2 and
// F_3 files, in the column layouts the program reads. Lines end in LF unless a test asks for CR LF.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "support/child.h"

namespace testing_support {

// The nine settings records; every field is given as its text (columns 15 onward), so that a
// test can leave one blank or make it malformed. Labels fill columns 1-14.
struct Settings {
  std::string results_name = "RESULTS.TXT";
  std::string site_name = "HILLSIDE";
  std::array<std::string, 3> station_ids = {"ALFA", "BRAV", "CHAR"};
  std::array<std::string, 3> distances = {"  0", "  5", "  9"};
  std::string day_count = "  10";
  std::string label = "SETTING:";  // padded to 14 columns
};
std::string input_text(const Settings& settings);

// A spell table: line 2 holds the count in columns 10-18, then one line per entry whose columns
// 10-18 hold the given text (right-aligned in 9 columns when shorter).
std::string spell_text(const std::vector<std::string>& entries, int count);
std::string spell_text(const std::vector<std::string>& entries);

// One historical day: 96 values in mm.
using DayValues = std::array<double, 96>;
DayValues constant_day(double value);

// A day line: 29 columns of free text, then each value as " %5.2f", 605 columns in all.
std::string day_line(const DayValues& values, const std::string& free_text = "");
std::string day_text(const std::vector<DayValues>& days);
// A day index with the given count on line 2 and one line per day.
std::string index_text(int count, int lines);

// A whole station: spell table entries and days, written as <id>D_3.TXT, F_2.TXT, F_3.TXT.
void write_station(const TempDir& dir, const std::string& id, const std::vector<std::string>& spell_entries,
                   const std::vector<DayValues>& days);

// The rows "(I12,F9.3)" of a site series of whole days (value of day d, interval i), each with CR LF.
std::string table_rows(const std::vector<DayValues>& site);

// A value as the program writes it under F9.3 (values here have at most 3 significant decimals
// of interest and lie clear of rounding ties).
std::string f9_3(double value);

}  // namespace testing_support
