// INPUT.TXT, the program's nine settings records: written in the columns the program reads, and
// read back from exactly those columns, as the program reads them.
//
//   record 1  columns 15-25  results file name      record 6-8  columns 15-17  distance of 1-3
//   record 2  columns 15-25  site name              record 9    columns 15-18  number of days
//   record 3-5 columns 15-18 identifier of station 1-3
// Columns 1-14 are free: the writer puts a label there.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/program_files.h"
#include "stations/station_id.h"

namespace raingen::stations {

struct StationSetting {
  StationId id;
  int distance = 0;  // to the site, 0 to 999 (0: the site lies at this station)
};

struct Settings {
  std::string results_name{common::default_results_name};  // at most 11 characters
  std::string site_name;                                   // at most 11 characters
  std::array<StationSetting, 3> stations;
  int day_count = 0;  // 1 to 2000
};

// Throws UsageError naming the first value that does not fit its field or that the program would
// refuse (a station without identifier, two with one identifier, a results name that names another
// file of the run).
void check_settings(const Settings& settings);

// The nine records, each ending in CR LF. Checks first.
std::string settings_text(const Settings& settings);

// Writes dir/INPUT.TXT whole or not at all. Checks first.
void write_settings(const std::filesystem::path& dir, const Settings& settings);

// The bytes of a settings file with record 9, the number of days, set to day_count: columns 15-18
// hold it right-aligned (the line padded with blanks when shorter), every other byte is kept.
// The text must hold nine records (read_settings took it).
std::string with_day_count(std::string_view text, int day_count);

// Reads the nine records of a settings file as the program does: a record ends at a line feed and
// a carriage return ends its data; blank numeric fields are 0, blanks inside one are passed over.
// Names come back as the program uses them: the results name without blanks around it, the site
// name and identifiers without trailing blanks. Throws ToolError naming file and line for a
// missing record, a numeric field that the program could not convert, or an identifier that breaks
// the tools' rule (station_id.h). Numbers are not checked against their ranges (a settings file
// written by hand may hold anything the program reads).
Settings read_settings(const std::filesystem::path& file);

}  // namespace raingen::stations
