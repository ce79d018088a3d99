// The three files of a station, in the columns the program reads (the one writer of them):
//
//   IDD_3.TXT  line 1 a title; line 2 the entry count in columns 10-18; line 3 a heading; then
//              entry k = 1..N: k in columns 1-9, the entry in columns 10-18 (F9.4), a note after.
//   IDF_2.TXT  one line per day: a label in columns 1-29, then 96 depths in mm, each after one
//              blank, width 5 with an explicit decimal point and two decimals (" 12.34").
//   IDF_3.TXT  line 1 a title with a number in columns 10-18; line 2 the day count in columns
//              10-18; line 3 a heading; then one line per day, in the order of IDF_2.TXT, with an
//              integer key (such as yyyymmdd) in columns 1-9 and a note after.
// The widths are those of common/program_files.h; the names those of the identifier
// (stations/station_id.h). Lines end in CR LF.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "calendar/interval.h"
#include "common/output_file.h"
#include "common/program_files.h"
#include "stations/station_id.h"

namespace raingen::stations {

struct DayRecord {
  std::int32_t key = 0;  // columns 1-9 of its index line
  std::string label;     // columns 1-29 of its day line (cut or blank-padded to 29)
  std::string note;      // after the key on its index line
  std::array<double, calendar::intervals_per_day>
      depths{};  // mm; each must round to 0.00 .. 99.99 (largest_depth_hundredths)
};

struct StationFiles {
  StationId id;
  std::string spell_title;  // line 1 of the spell table
  std::string spell_heading = "   LENGTH    ENTRY";
  std::vector<double> spell_entries;     // entries 1..N
  std::vector<std::string> spell_notes;  // after column 18 of entry k's line (may be shorter)
  std::string index_title;               // line 1 of the index, after the number
  std::int32_t index_number = 1;         // columns 10-18 of line 1 of the index (not used)
  std::string index_heading = "      KEY";
  std::vector<DayRecord> days;
};

// A depth as written, in hundredths of a mm: rounded as its decimal value is, ties away from zero
// (gauge/decimal_depth.h). Throws ToolError for a depth no integer here holds (NaN, infinite, or
// gauge::largest_held_depth_mm or more).
std::int64_t hundredths(double mm);

// The texts of the three files (the identifier only labels line 1 of the index). Throws ToolError
// for a depth that does not fit its field (naming the day's key and the interval), or an entry
// beyond F9.4.
std::string spell_table_text(const StationFiles& station);
std::string day_records_text(const StationFiles& station);
std::string day_index_text(const StationFiles& station);
// One day line (without its line end).
std::string day_line(const DayRecord& day);

// The three files in dir with their texts, for a tool that writes them together with others.
// Throws ToolError as the texts do, naming the file, and for a station without identifier.
std::vector<common::FileText> station_file_texts(const std::filesystem::path& dir, const StationFiles& station);

// Writes the three files into dir, all three or none (each written aside, renamed together).
void write_station_files(const std::filesystem::path& dir, const StationFiles& station);

}  // namespace raingen::stations
