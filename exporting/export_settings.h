// What every writer of the site series needs besides the rows: when day 1 begins, the name of the
// series, the units the depths are labelled with (nothing is converted), and where the rows came
// from (for the files that say so).
#pragma once

#include <string>

#include "calendar/time_point.h"

namespace raingen::exporting {

enum class DepthUnits { mm, in };

struct ExportSettings {
  calendar::TimePoint start;  // the calendar time at which day 1 of the table begins
  std::string station;     // the series' name
  DepthUnits units = DepthUnits::mm;
  std::string input_name;  // the table's file, as given
};

// "mm" or "in", as the text formats and the netCDF units attribute write it.
inline const char* units_text(DepthUnits units) { return units == DepthUnits::mm ? "mm" : "in"; }

}  // namespace raingen::exporting
