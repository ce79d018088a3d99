// The records of the three stations combined as the program weights its station series: the
// fair reference for the site. A station at distance 0 (the first, in station order) is the
// site's record alone; otherwise each interval is the inverse-square-distance mean of the three
// records, in the program's order of operations. Depths are used as read, in double precision.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gauge/calendar_series.h"

namespace raingen::weighting {

inline constexpr int station_count = 3;

// The stations (0-based, in station order) whose records the weighting reads.
std::vector<int> stations_weighted(const std::array<int, station_count>& distances);

// The normalised weight of each station in the site value (0 for a station not used).
std::array<double, station_count> station_shares(const std::array<int, station_count>& distances);

// The weighted record, named `name`, over the span that every record used covers; an interval is
// present only where every record used is present. records[i] may be null for a station that
// stations_weighted leaves out; a null record that is needed throws std::invalid_argument.
gauge::CalendarSeries weighted_record(std::string name,
                                      const std::array<const gauge::CalendarSeries*, station_count>& records,
                                      const std::array<int, station_count>& distances);

}  // namespace raingen::weighting
