// A reference depth-duration-frequency curve (national design statistics, say) to set the
// generated and recorded levels against: a CSV whose header is
// duration_minutes,return_period_years,depth_mm, optionally followed by lower_mm,upper_mm, then
// one point a line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "stats/design_rainfall.h"

namespace raingen::report {

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

// A series' level at a duration and return period by a method: with its interval where the period
// is a design return period; at another period the GEV's value alone (a Weibull level there is
// not computed); none where the duration is no design duration or the series has no level there.
stats::ReturnLevel level_at(const stats::DesignRainfall& design, stats::DesignMethod method, int minutes, double years);

// Where the reference lies against an interval: "below", "inside", "above"; empty without one.
std::string reference_lies(double depth, const stats::ReturnLevel& level);

}  // namespace raingen::report
