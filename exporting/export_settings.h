// What every writer of the site series needs besides the rows: when day 1 begins, the name of the
// series, the units the depths are labelled with (nothing is converted), where the rows came
// from, and for the netCDF file the site's position, the clock's offset from UTC and the command
// that made it (for the files that say so).
#pragma once

#include <optional>
#include <string>

#include "calendar/time_point.h"
#include "calendar/utc_offset.h"
#include "stations/station_places.h"

namespace raingen::exporting {

enum class DepthUnits { mm, in };

struct ExportSettings {
  calendar::TimePoint start;  // the calendar time at which day 1 of the table begins
  std::string station;        // the series' name
  DepthUnits units = DepthUnits::mm;
  std::string input_name;                           // the table's file, as given
  std::optional<stations::Coordinates> position{};  // the site's, when known
  std::optional<calendar::UtcOffset> utc_offset{};  // the clock of the times, when stated
  std::string history{};                            // the history entry of the command that writes the file
};

// "mm" or "in", as the text formats and the netCDF units attribute write it.
inline const char* units_text(DepthUnits units) { return units == DepthUnits::mm ? "mm" : "in"; }

}  // namespace raingen::exporting
