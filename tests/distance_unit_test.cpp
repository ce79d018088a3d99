// The unit of distances from coordinates: kilometres while they keep every weight within 1 point of
// the exact inverse-square weight, else the finest unit that holds the distances in 3 digits; a
// station within 5 m at the site; refusals when nothing serves, and when distances and coordinates
// are mixed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/tool_error.h"
#include "stations/distance_unit.h"
#include "stations/station_places.h"

namespace {

using namespace raingen::stations;

TEST(DistanceUnit, KilometresWhileTheyKeepTheWeights) {
  const struct {
    std::array<double, 3> metres;
    std::array<bool, 3> at_site;
    int unit;  // 0: none serves
    std::array<int, 3> distances;
  } cases[] = {
      {{111.2, 203.5, 556.0}, {}, 1, {111, 204, 556}},               // km would put two at 0
      {{11120, 20350, 55600}, {}, 1000, {11, 20, 56}},               // km keep them within 0.3 points
      {{1200, 2300, 4600}, {}, 10, {120, 230, 460}},                 // 1, 2, 5 km: 2.9 points off
      {{1200, 2300, 46000}, {}, 100, {12, 23, 460}},                 // 1 km: off; 10 m: 4600 does not fit
      {{5.6, 5.7, 889.6}, {}, 1, {6, 6, 890}},                       // 1 m keeps 50/50 against 51/49
      {{5.49, 5.5, 900}, {}, 10, {1, 1, 90}},                        // 1 m: 5 and 6, 59/41 against 50/50
      {{5.49, 5.5, 15}, {}, 0, {}},                                  // and 10 m: 1, 1 and 2
      {{0, 111195, 1612}, {true, false, false}, 1000, {0, 111, 2}},  // at the site: no weighting
      {{3, 150, 400}, {true, false, false}, 1, {0, 150, 400}},       // within 5 m: at the site
      {{0, 1500000, 2000}, {true, false, false}, 0, {}},             // 1500 km hold in no unit
      {{6, 700, 1500000}, {}, 0, {}},                                // 6 m and 1500 km together neither
      {{999400, 10000, 20000}, {}, 1000, {999, 10, 20}},
      {{999600, 10000, 20000}, {}, 0, {}},  // 1000 km
  };
  for (const auto& c : cases) {
    const DistancePlan plan = plan_distances(c.metres, c.at_site);
    ASSERT_EQ(plan.units.size(), 4u);
    const int unit = plan.chosen ? plan.units[*plan.chosen].unit_metres : 0;
    EXPECT_EQ(unit, c.unit) << c.metres[0] << " " << c.metres[1] << " " << c.metres[2];
    if (!plan.chosen) continue;
    const DistancesInUnit& chosen = plan.units[*plan.chosen];
    EXPECT_EQ(chosen.distances, c.distances) << c.metres[0];
    for (std::size_t i = 0; i < 3; ++i)
      EXPECT_NEAR(chosen.shares[i], plan.exact_shares[i], 0.01) << c.metres[0] << " " << i;
  }
  EXPECT_EQ(unit_text(1000), "1 km");
  EXPECT_EQ(unit_text(10), "10 m");
}

std::string refused(const std::vector<std::string>& texts, const std::optional<Coordinates>& site) {
  std::vector<StationPlace> places;
  try {
    for (const std::string& text : texts) places.push_back(parse_station_place(text));
    place_stations(places, site);
    return "placed";
  } catch (const raingen::common::UsageError& e) {
    return e.what();
  }
}

TEST(DistanceUnit, CommandLinesThatCannotBePlaced) {
  const Coordinates origin{0, 0};
  const struct {
    std::vector<std::string> stations;
    std::string message;
  } cases[] = {
      {{"A@0.001,0", "B=3", "C@0.005,0"},
       "--station B=3 gives a distance and --station A@... coordinates: distances from coordinates take a unit of "
       "their "
       "own, which B would not share; place all three by coordinates (B=0 alone may stay: a station at the site)"},
      {{"A@0.001,0", "B=0", "C@0.005,0"}, "placed"},
      {{"A=1", "B=2", "C=3"}, "placed"},
      // 5.49 m and 5.50 m round to 5 and 6 m, and in tens of metres 15 m to 2.
      {{"A@0.00004937,0", "B@0,0.0000495", "C@0.0001349,0"},
       "the stations lie A 5.5 m, B 5.5 m, C 15.0 m from the site: in units of 1 m the program would weigh them 55.4%, "
       "38.5%, 6.2% where the exact inverse-square weights are 47.0%, 46.7%, 6.3%, and no unit of 3 digits keeps each "
       "within 1 point; give distances as ID=DIST whose inverse squares weigh them as intended"},
      {{"A@0.0001,0", "B@0,0.01", "C@8.1,0"},
       "the stations lie A 11.1 m, B 1.112 km, C 900.680 km from the site: no unit from 1 m to 1 km holds them all in "
       "3 digits (1 to 999); give the distances as ID=DIST"},
      {{"A@0,0", "B@0,0.01", "C@13.5,0"}, "station C lies 1501 km from the site: beyond the 3 digits of a distance"},
  };
  for (const auto& c : cases) EXPECT_EQ(refused(c.stations, origin), c.message);
  EXPECT_EQ(refused({"A@0.001,0", "B@0,0.001", "C@0.005,0"}, std::nullopt),
            "--station A gives coordinates: --site-at LAT,LON is needed");

  // What is printed: the unit and why, each station's distance and weight.
  std::vector<StationPlace> places;
  for (const char* text : {"A@0.001,0", "B=0", "C@0,-0.00004"}) places.push_back(parse_station_place(text));
  const PlacedStations placed = place_stations(places, origin);
  EXPECT_EQ(placed.unit_metres, 1);
  EXPECT_EQ(placed.notes, (std::vector<std::string>{
                              "distances from coordinates in units of 1 m",
                              "station A lies 111.2 m from the site: distance 111",
                              "station B is at the site as given: distance 0",
                              "station C lies 4.4 m from the site, within 5 m of it: distance 0",
                              "station B is at the site (distance 0): the program takes its series unchanged and the "
                              "other stations do not count",
                              "station C is at distance 0 too: the program takes station B, the first",
                          }));
}

}  // namespace
