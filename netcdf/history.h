// The history attribute's entry for the command that makes a file, as NCO and CDO write theirs:
// the local time as ctime(3) gives it, ": ", then the command line
//   Tue Dec  9 14:41:00 2025: raingen-export --format netcdf --start '2004-02-28 06:00' SOURCE.OUT site.nc
// The program's name is written without its folder; an argument that the shell would split or
// expand is quoted, so that the line can be run again as it stands. With SOURCE_DATE_EPOCH set to a
// number of seconds since 1970, that time stands for the present one (reproducible files).
#pragma once

#include <ctime>
#include <span>
#include <string>

namespace raingen::netcdf {

std::string history_entry(std::span<char* const> arguments);

// The entry at the given time (exposed for tests).
std::string history_entry(std::span<char* const> arguments, std::time_t when);

// The command line part alone: "raingen-export --format netcdf ...".
std::string command_line_text(std::span<char* const> arguments);

}  // namespace raingen::netcdf
