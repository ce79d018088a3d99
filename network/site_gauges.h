// Where a site lies among the gauges of its network: its three nearest gauges, their whole-number
// distances as INPUT.TXT and the weighting take them, and whether the gauges surround it.
//
// Distances in degrees are great-circle metres in the unit stations/distance_unit.h chooses (a
// gauge within 5 m lies at the site). In a planar map unit the same rule runs on a power-of-ten
// scale of the map unit: its finest unit u is the finest power of ten that holds the farthest of
// the three within 999, and u, 10u, 100u and 1000u stand for 1 m, 10 m, 100 m and 1 km (so 1000u is
// taken when it keeps every weight within 1 point, else the finest that does); a gauge nearer than
// u/2 lies at the site.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "network/network_manifest.h"

namespace raingen::network {

struct SiteGauges {
  std::array<std::size_t, 3> gauges{};  // indices of the gauges, nearest first (ties: the earlier gauge)
  std::array<double, 3> exact{};        // km (degrees) or map units (planar)
  std::array<int, 3> distances{};       // whole numbers in unit
  std::array<double, 3> shares{};       // as the program weighs distances
  std::string unit;                     // "1 km", "10 m", "0.1 ft", ...; empty: no unit fits
  std::optional<std::size_t> at_gauge;  // the gauge the site lies at (the first of the three)
};

// The nearest three of gauges (at least three) to site; map_unit names a planar unit in texts.
SiteGauges site_gauges(CoordinateSystem coordinates, const std::string& map_unit, const Position& site,
                       const std::vector<Position>& gauges);

// Whether p lies inside or on the convex hull of points (at least three; positions taken as plane
// coordinates, which for degrees is close enough over a town or a catchment).
bool inside_hull(const std::vector<Position>& points, const Position& p);

using places::degree_like;

}  // namespace raingen::network
