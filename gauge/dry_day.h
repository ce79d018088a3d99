// What a dry day is, for every tool: a day (or any block of intervals) whose total depth is at
// most the threshold in mm; above it the day is wet. raingen-prepare's --wet-threshold and
// raingen-report's --dry-threshold are this one threshold, so a day is classed alike by both.
//
// What each sums is its own, and stays so: raingen-prepare (stations/days) sums a complete day's
// depths as the day file writes them, each rounded to 0.01 mm, since those are the days the
// program draws; raingen-report (stats/) sums the series' own values, a record's depths as read
// and the generated series' three decimals, since those are the series it compares.
#pragma once

namespace raingen::gauge {

constexpr bool is_dry(double total_mm, double threshold_mm) { return total_mm <= threshold_mm; }

}  // namespace raingen::gauge
