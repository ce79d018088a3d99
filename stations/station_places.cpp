#include "stations/station_places.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <fmt/format.h>

#include "common/numbers.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "stations/distance_unit.h"

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
  if (!latitude || !longitude) throw UsageError(fmt::format("{} '{}' is not LAT,LON in decimal degrees", what, text));
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

namespace {

// The note that says which station the program takes when one lies at the site.
void note_at_site(PlacedStations& placed) {
  std::string at_site;  // the first station at distance 0: the one the program takes
  for (const StationSetting& station : placed.stations) {
    if (station.distance != 0) continue;
    if (at_site.empty()) {
      at_site = station.id.text();
      placed.notes.push_back(
          fmt::format("station {} is at the site (distance 0): the program takes its series unchanged "
                      "and the other stations do not count",
                      station.id));
    } else {
      placed.notes.push_back(
          fmt::format("station {} is at distance 0 too: the program takes station {}, the first", station.id, at_site));
    }
  }
}

std::string shares_text(const std::array<double, 3>& shares) {
  return fmt::format("{:.1f}%, {:.1f}%, {:.1f}%", 100 * shares[0], 100 * shares[1], 100 * shares[2]);
}

// Why a unit finer than kilometres was taken.
std::string finer_reason(const DistancePlan& plan, const std::vector<StationPlace>& places) {
  const DistancesInUnit& km = plan.units.front();
  if (km.fits) return fmt::format("in kilometres a weight would be {:.1f} points off", 100 * km.largest_error);
  for (std::size_t i = 0; i < 3; ++i)
    if (km.distances[i] == 0 && places[i].at) return fmt::format("kilometres would put station {} at 0", places[i].id);
  return "kilometres do not fit";
}

// Why no unit serves.
std::string refusal(const DistancePlan& plan, const std::vector<StationPlace>& places,
                    const std::array<double, 3>& metres, const std::array<bool, 3>& at_site) {
  const auto finest =
      std::find_if(plan.units.rbegin(), plan.units.rend(), [](const DistancesInUnit& d) { return d.fits; });
  std::string where;
  for (std::size_t i = 0; i < 3; ++i)
    if (!at_site[i])
      where += fmt::format(
          "{}{} {}", where.empty() ? "" : ", ", places[i].id,
          metres[i] < 1000 ? fmt::format("{:.1f} m", metres[i]) : fmt::format("{:.3f} km", metres[i] / 1000));
  if (finest == plan.units.rend()) {
    for (std::size_t i = 0; i < 3; ++i)  // beyond even kilometres, the coarsest unit
      if (plan.units.front().distances[i] > common::largest_distance)
        return fmt::format("station {} lies {:.0f} km from the site: beyond the {} digits of a distance", places[i].id,
                           metres[i] / 1000, common::distance_width);
    return fmt::format(
        "the stations lie {} from the site: no unit from 1 m to 1 km holds them all in {} digits "
        "(1 to {}); give the distances as ID=DIST",
        where, common::distance_width, common::largest_distance);
  }
  return fmt::format(
      "the stations lie {} from the site: in units of {} the program would weigh them {} where the "
      "exact inverse-square weights are {}, and no unit of {} digits keeps each within 1 point; give "
      "distances as ID=DIST whose inverse squares weigh them as intended",
      where, unit_text(finest->unit_metres), shares_text(finest->shares), shares_text(plan.exact_shares),
      common::distance_width);
}

// The distances in the unit chosen, and the notes on them: the unit, and where each station lies.
void note_distances(PlacedStations& placed, const DistancePlan& plan, const std::vector<StationPlace>& places,
                    const std::array<double, 3>& metres, const std::array<bool, 3>& at_site) {
  const DistancesInUnit& chosen = plan.units[*plan.chosen];
  placed.unit_metres = chosen.unit_metres;
  const bool one_at_site = std::find(at_site.begin(), at_site.end(), true) != at_site.end();
  if (one_at_site)
    placed.notes.push_back(fmt::format("distances from coordinates in units of {}", unit_text(chosen.unit_metres)));
  else if (chosen.unit_metres == 1000)
    placed.notes.push_back(
        fmt::format("distances from coordinates in km: every weight within {:.1f} points of the "
                    "exact inverse-square weight",
                    100 * chosen.largest_error));
  else
    placed.notes.push_back(
        fmt::format("distances from coordinates in units of {}, the finest that holds them in {} "
                    "digits ({})",
                    unit_text(chosen.unit_metres), common::distance_width, finer_reason(plan, places)));
  for (std::size_t i = 0; i < 3; ++i) {
    placed.stations[i].distance = chosen.distances[i];
    const std::string lies =
        chosen.unit_metres == 1000 ? fmt::format("{:.3f} km", metres[i] / 1000) : fmt::format("{:.1f} m", metres[i]);
    if (!places[i].at)
      placed.notes.push_back(fmt::format("station {} is at the site as given: distance 0", places[i].id));
    else if (at_site[i])
      placed.notes.push_back(fmt::format("station {} lies {} from the site, within {:g} m of it: distance 0",
                                         places[i].id, lies, at_site_metres));
    else if (one_at_site)
      placed.notes.push_back(
          fmt::format("station {} lies {} from the site: distance {}", places[i].id, lies, chosen.distances[i]));
    else
      placed.notes.push_back(
          fmt::format("station {} lies {} from the site: distance {}, weight {:.1f}% as the program "
                      "applies it (exact {:.1f}%)",
                      places[i].id, lies, chosen.distances[i], 100 * chosen.shares[i], 100 * plan.exact_shares[i]));
  }
}

}  // namespace

PlacedStations place_stations(const std::vector<StationPlace>& places, const std::optional<Coordinates>& site) {
  PlacedStations placed;
  for (const StationPlace& place : places) {
    const std::string what = fmt::format("station {} identifier", placed.stations.size() + 1);
    placed.stations.push_back({StationId::given(place.id, what), place.distance.value_or(0)});
  }
  const auto by_coordinates = std::find_if(places.begin(), places.end(), [](const StationPlace& p) { return p.at; });
  if (by_coordinates == places.end() || places.size() != 3) {
    note_at_site(placed);
    return placed;
  }
  if (!site)
    throw UsageError(fmt::format("--station {} gives coordinates: --site-at LAT,LON is needed", by_coordinates->id));
  for (const StationPlace& place : places)
    if (place.distance && *place.distance != 0)
      throw UsageError(
          fmt::format("--station {}={} gives a distance and --station {}@... coordinates: distances from "
                      "coordinates take a unit of their own, which {} would not share; place all three "
                      "by coordinates ({}=0 alone may stay: a station at the site)",
                      place.id, *place.distance, by_coordinates->id, place.id, place.id));

  std::array<double, 3> metres{};
  std::array<bool, 3> at_site{};
  for (std::size_t i = 0; i < 3; ++i) {
    metres[i] = places[i].at ? 1000 * great_circle_km(*site, *places[i].at) : 0;
    at_site[i] = !places[i].at || metres[i] < at_site_metres;
  }
  const DistancePlan plan = plan_distances(metres, at_site);
  if (!plan.chosen) throw UsageError(refusal(plan, places, metres, at_site));
  note_distances(placed, plan, places, metres, at_site);
  note_at_site(placed);
  return placed;
}

}  // namespace raingen::stations
