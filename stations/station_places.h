// Where the three stations lie relative to the site, as a command line gives it: "ID=DIST" (a
// whole number in whatever unit the run uses) or "ID@LAT,LON" with the site's own coordinates,
// from which the great-circle distance is rounded to a whole number of a unit that keeps the
// weights (stations/distance_unit.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "places/position.h"
#include "stations/settings_file.h"

namespace raingen::stations {

using places::Coordinates;

struct StationPlace {
  std::string id;                 // as given: place_stations holds it to the identifier's rule
  std::optional<int> distance;    // ID=DIST
  std::optional<Coordinates> at;  // ID@LAT,LON
};

// Throws UsageError for a text that is neither form, or a value out of range.
StationPlace parse_station_place(std::string_view text);
// "LAT,LON"; throws UsageError naming what (e.g. "--site-at").
Coordinates parse_coordinates(std::string_view text, std::string_view what);

// Great-circle distance in km on a sphere of the Earth's mean radius (6371.0088 km).
double great_circle_km(const Coordinates& a, const Coordinates& b);

// The distances of the places to the site, in their order, and what a user should know of them:
// from coordinates, the unit (stations/distance_unit.h) and each station's distance and weight;
// a station that lies at the site. Throws UsageError for an identifier the rule refuses
// (station_id.h); when a place has coordinates and the site has none; when ID=DIST (DIST not 0)
// and ID@LAT,LON are mixed (the units would not agree); or when no unit holds the distances in 3
// digits and keeps the weights.
struct PlacedStations {
  std::vector<StationSetting> stations;
  int unit_metres = 0;  // of distances from coordinates; 0: the distances were given
  std::vector<std::string> notes;
};
PlacedStations place_stations(const std::vector<StationPlace>& places, const std::optional<Coordinates>& site);

}  // namespace raingen::stations
