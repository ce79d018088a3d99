// A change of climate asked of raingen-prepare (--change TERMS): factors on the wet 15-minute depths
// by their quantile, and a change in the number of wet days.
//
//   TERMS = TERM[,TERM...], each TERM one of
//     factor=F          every wet depth times F
//     pQ=F              the factor F at quantile Q (0-100) of the wet depths; linear between the
//                       points given, the first point's factor below it, the last's above it
//     warming=D         D degrees of warming: factor 1 up to quantile from=Q (default 90), rising
//                       linearly in quantile to (1 + rate/100)^D at p99 and kept above it, so the
//                       heaviest intervals take the whole scaling; rate=R percent per degree
//                       (default 7, the Clausius-Clapeyron rate)
//     wet-days=P%       the number of wet days changed by P percent (P > -100)
// One of factor, pQ and warming at most; the factors must not fall as the quantile rises.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace raingen::stations {

struct ClimateChange {
  std::string text;                                 // TERMS as given; empty: no change asked
  std::vector<std::pair<double, double>> points{};  // (quantile 0..1, factor), quantiles rising
  double wet_days_percent = 0;

  // The factor for a depth at quantile q (0..1): 1 when no factor was asked.
  double factor_at(double q) const;
  bool scales_depths() const { return !points.empty(); }
  bool asked() const { return !text.empty(); }
};

// Throws UsageError naming --change and the term at fault: an unknown or repeated term, a number
// that does not read, a factor of 0 or below, quantiles out of order or outside 0-100, factors that
// fall as the quantile rises, a wet-day change of -100% or less, no terms.
ClimateChange parse_change(const std::string& text);

}  // namespace raingen::stations
