#include "stations/station_places.h"

#include <cmath>

#include <fmt/format.h>

#include "common/numbers.h"
#include "common/program_files.h"
#include "common/tool_error.h"

namespace raingen::stations {

namespace {
using common::UsageError;
constexpr double earth_radius_km = 6371.0088;
constexpr double pi = 3.14159265358979323846;
}  // namespace

Coordinates parse_coordinates(std::string_view text, std::string_view what) {
  const std::size_t comma = text.find(',');
  const auto latitude = comma == std::string_view::npos ? std::nullopt : common::parse_real(text.substr(0, comma));
  const auto longitude = comma == std::string_view::npos ? std::nullopt : common::parse_real(text.substr(comma + 1));
  if (!latitude || !longitude)
    throw UsageError(fmt::format("{} '{}' is not LAT,LON in decimal degrees", what, text));
  if (std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180)
    throw UsageError(fmt::format("{} '{}' lies off the globe (latitude -90 to 90, longitude -180 to 180)", what, text));
  return {*latitude, *longitude};
}

StationPlace parse_station_place(std::string_view text) {
  const std::size_t split = text.find_first_of("=@");
  if (split == std::string_view::npos || split == 0)
    throw UsageError(fmt::format("--station '{}' is neither ID=DIST nor ID@LAT,LON", text));
  StationPlace place;
  place.id = text.substr(0, split);
  const std::string_view value = text.substr(split + 1);
  if (text[split] == '@') {
    place.at = parse_coordinates(value, fmt::format("--station {}", place.id));
    return place;
  }
  const auto distance = common::parse_integer(value);
  if (!distance || *distance < 0 || *distance > common::largest_distance)
    throw UsageError(fmt::format("--station {}: distance '{}' is not a whole number from 0 to {} ({} digits)", place.id,
                                 value, common::largest_distance, common::distance_width));
  place.distance = static_cast<int>(*distance);
  return place;
}

double great_circle_km(const Coordinates& a, const Coordinates& b) {
  const double to_radians = pi / 180.0;
  const double phi1 = a.latitude * to_radians, phi2 = b.latitude * to_radians;
  const double dphi = phi2 - phi1, dlambda = (b.longitude - a.longitude) * to_radians;
  const double h = std::sin(dphi / 2) * std::sin(dphi / 2) +
                   std::cos(phi1) * std::cos(phi2) * std::sin(dlambda / 2) * std::sin(dlambda / 2);
  return 2 * earth_radius_km * std::asin(std::min(1.0, std::sqrt(h)));
}

PlacedStations place_stations(const std::vector<StationPlace>& places, const std::optional<Coordinates>& site) {
  PlacedStations placed;
  std::string at_site;  // the first station at distance 0: the one the program takes
  for (const StationPlace& place : places) {
    const std::string what = fmt::format("station {} identifier", placed.stations.size() + 1);
    StationSetting station{StationId::given(place.id, what), place.distance.value_or(0)};
    if (place.at) {
      if (!site) throw UsageError(fmt::format("--station {} gives coordinates: --site-at LAT,LON is needed", place.id));
      const double km = great_circle_km(*site, *place.at);
      if (std::lround(km) > common::largest_distance)
        throw UsageError(fmt::format("station {} lies {:.0f} km from the site: beyond the {} digits of a distance",
                                     place.id, km, common::distance_width));
      station.distance = static_cast<int>(std::lround(km));
      placed.notes.push_back(fmt::format("station {} lies {:.3f} km from the site: distance {}", place.id, km, station.distance));
    }
    if (station.distance == 0 && at_site.empty()) {
      at_site = place.id;
      placed.notes.push_back(fmt::format("station {} is at the site (distance 0): the program takes its series unchanged "
                                         "and the other stations do not count",
                                         place.id));
    } else if (station.distance == 0) {
      placed.notes.push_back(fmt::format("station {} is at distance 0 too: the program takes station {}, the first", place.id,
                                         at_site));
    }
    placed.stations.push_back(station);
  }
  return placed;
}

}  // namespace raingen::stations
