// What the program's files are, for every tool that writes or reads them: their names, their
// limits and the columns of their fields, each stated once here. (The program, generator/, keeps
// its own: it never includes the tools' code.) Columns count from 1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace raingen::common {

// The files of a run directory besides the station files.
inline constexpr std::string_view settings_file_name = "INPUT.TXT";
inline constexpr std::string_view source_out_name = "SOURCE.OUT";        // the results table without headings
inline constexpr std::string_view default_results_name = "RESULTS.TXT";  // what raingen-prepare names in record 1
// The name of a series whose table gives none (SOURCE.OUT has no site name).
inline constexpr std::string_view default_site_name = "SITE";

// INPUT.TXT: nine records, columns 1-14 of each free (a label), the value from column 15:
// record 1 the results name and record 2 the site name (11 columns each), records 3-5 the
// station identifiers (4), records 6-8 the distances (3), record 9 the number of days (4).
inline constexpr std::size_t settings_label_width = 14;
inline constexpr std::size_t settings_name_width = 11;
inline constexpr std::size_t station_id_width = 4;
inline constexpr std::size_t distance_width = 3;
inline constexpr std::size_t day_count_width = 4;
inline constexpr int largest_distance = 999;  // what 3 columns hold
inline constexpr int most_days = 2000;        // the program's arrays hold this many days

// A station's three files: its identifier blank-padded to station_id_width characters, then the
// suffix of the file.
enum class StationFile { spell_table, day_records, day_index };
inline constexpr std::array<StationFile, 3> station_files{StationFile::spell_table, StationFile::day_records,
                                                          StationFile::day_index};
constexpr std::string_view station_file_suffix(StationFile file) {
  constexpr std::array<std::string_view, 3> suffixes{"D_3.TXT", "F_2.TXT", "F_3.TXT"};
  return suffixes[static_cast<std::size_t>(file)];
}

// The spell table (IDD_3.TXT) and the day index (IDF_3.TXT): a whole number in columns 1-9 (a
// spell length, a day's key) and a number in columns 10-18 (the entry count, an entry (F9.4),
// the day count).
inline constexpr std::size_t key_width = 9;
inline constexpr std::size_t number_width = 9;
inline constexpr int spell_entry_decimals = 4;
inline constexpr int most_spell_entries = 1201;  // spells of 1 to 1201 days

// The day records (IDF_2.TXT): a label in columns 1-29, then the 96 depths of the day, each
// after one free column in 5 columns with two decimals (" 12.34"): the largest depth a day line
// holds is 99.99 mm.
inline constexpr std::size_t day_label_width = 29;
inline constexpr std::size_t depth_width = 5;
inline constexpr std::int64_t largest_depth_hundredths = 9999;
// The smallest depth that does not fit, once rounded to 0.01 mm: a gauge reader refuses it.
inline constexpr double depth_limit_mm = static_cast<double>(largest_depth_hundredths + 1) / 100.0;

// The results table: each row the time in minutes (columns 1-12, I12) and the depth (columns
// 13-21, F9.3).
inline constexpr std::size_t table_time_width = 12;
inline constexpr std::size_t table_depth_width = 9;
inline constexpr std::size_t table_row_width = table_time_width + table_depth_width;

}  // namespace raingen::common
