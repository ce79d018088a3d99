// The generated and recorded levels set against a reference depth-duration-frequency curve
// (stats/reference_curve.h).
#pragma once

#include <string>

#include "stats/design_rainfall.h"
#include "stats/reference_curve.h"

namespace raingen::report {

using stats::read_reference_curve;
using stats::ReferenceCurve;
using stats::ReferencePoint;

// A series' level at a duration and return period by a method: with its interval where the period
// is a design return period; at another period the GEV's value alone (a Weibull level there is
// not computed); none where the duration is no design duration or the series has no level there.
stats::ReturnLevel level_at(const stats::DesignRainfall& design, stats::DesignMethod method, int minutes, double years);

// Where the reference lies against an interval: "below", "inside", "above"; empty without one.
std::string reference_lies(double depth, const stats::ReturnLevel& level);

}  // namespace raingen::report
