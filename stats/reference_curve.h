// A reference depth-duration-frequency curve (national design statistics, say): a CSV whose header
// is duration_minutes,return_period_years,depth_mm, optionally followed by lower_mm,upper_mm, then
// one point a line. The report sets levels against it; raingen-prepare --tail extends a pool
// toward it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace raingen::stats {

struct ReferencePoint {
  int minutes = 0;
  double years = 0;
  double depth = 0;
  std::optional<double> lower, upper;  // the reference's own interval, when the file gives one
  long line = 0;
};

struct ReferenceCurve {
  std::string file;
  std::vector<ReferencePoint> points;  // in the file's order
};

// Throws ToolError naming the file and line: another header, a field that is no number or out of
// its range (a duration of whole minutes from 1 to a year, a return period above 1 year, a depth
// from 0 below 1e9 mm, lower <= depth <= upper), a point given twice, no point at all.
ReferenceCurve read_reference_curve(const std::string& file);

}  // namespace raingen::stats
