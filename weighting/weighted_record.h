// The records of the three stations combined as the program weights its station series: the
// fair reference for the site. A station at distance 0 (the first, in station order) is the
// site's record alone; otherwise each interval is the inverse-square-distance mean of the records
// present (weighting/presence.h), in the program's order of operations, from the depths as read
// in double precision. The program's weights are whole numbers (the square of a distance of 3
// digits), so the mean of decimal depths is an exact fraction: a value that comes within 1e-9 mm
// of a half hundredth is set to the side of it where that fraction lies, so that it rounds to the
// 0.01 mm of a station file as the exact mean does (gauge/decimal_depth.h).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gauge/calendar_series.h"
#include "weighting/presence.h"

namespace raingen::weighting {

inline constexpr int station_count = 3;

// The stations (0-based, in station order) whose records the weighting reads.
std::vector<int> stations_weighted(const std::array<int, station_count>& distances);

// The normalised weight of each station in the site value (0 for a station not used).
std::array<double, station_count> station_shares(const std::array<int, station_count>& distances);

// How many intervals of a weighted record were made from 1, 2 and 3 records ([1] to [3]), and how
// many are missing ([0]).
using RecordsPresent = std::array<long, station_count + 1>;

// The weighted record, named `name`. With Presence::all it spans what every record used covers and
// an interval is present only where every record used is present; with Presence::any it spans what
// any of them covers and an interval is made from the records present there. records[i] may be
// null for a station that stations_weighted leaves out; a null record that is needed throws
// std::invalid_argument. counts, when given, receives how the intervals were made.
gauge::CalendarSeries weighted_record(std::string name,
                                      const std::array<const gauge::CalendarSeries*, station_count>& records,
                                      const std::array<int, station_count>& distances, Presence present = Presence::all,
                                      RecordsPresent* counts = nullptr);

// The value the weighting gives from the values g (NaN: missing) and the program's weights w (the
// squares of the distances), over the stations present; NaN when none is. Exposed for its tests.
double weighted_value(const std::array<double, station_count>& g, const std::array<double, station_count>& w);

}  // namespace raingen::weighting
