// Where a site or a gauge lies, as every tool states it: in degrees (latitude and longitude) or
// in the planar unit of a map (x and y).
#pragma once

#include <string>

namespace raingen::places {

enum class CoordinateSystem { degrees, planar };

// A position in either system: a and b are the latitude and longitude in degrees, or x and y in
// the map unit; the system is known from where it stands (a network's, a site's).
struct Position {
  double a = 0, b = 0;
};

// A position in degrees, named so: north and east positive.
struct Coordinates {
  double latitude = 0, longitude = 0;
};

// Whether a position could be one in degrees (latitude -90..90, longitude -180..180).
bool degree_like(const Position& p);

// "-2.5000000,-79.2000000" (degrees) or the shortest text of each coordinate (planar).
std::string position_text(CoordinateSystem coordinates, const Position& position);

}  // namespace raingen::places
