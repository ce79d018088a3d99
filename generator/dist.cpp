// Weights the three station series into the site series by inverse-square distance.
//
// Reads the distances of StationTable, day_count and StationGrid; writes SiteSeries for days
// 1..day_count. A station at the site (distance 0) is copied unchanged, which also keeps every
// division below clear of a zero weight.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "generator/shared.h"

namespace raingen {

namespace {

int station_at_site() {
  for (int s = 1; s <= station_count; ++s)
    if (StationTable(s).distance == 0) return s;
  return 0;
}

// Both grids keep the days of an interval side by side, so the values are taken interval by
// interval, day after day, in the order they are stored. Each value depends only on its own day
// and interval, so the order changes nothing else.
void copy_station(int s) {
  for (int t = 1; t <= intervals_per_day; ++t)
    for (int d = 1; d <= RunSettings.day_count; ++d) SiteSeries(d, t) = StationGrid(s, d, t);
}

// The three station values are +0.0 (not -0.0, whose quotients would sum to -0.0): the
// weighted value is +0.0 exactly, and most values of a rainfall series are.
bool dry_at_all_stations(int d, int t) {
  const float* g = &StationGrid(1, d, t);  // the three stations side by side
  std::uint32_t bits[station_count];
  std::memcpy(bits, g, sizeof bits);
  return (bits[0] | bits[1] | bits[2]) == 0;
}

}  // namespace

void weight_stations() {
  const float weight_power = 2.0f;
  const int nearest_station = station_at_site();
  if (nearest_station != 0) {
    copy_station(nearest_station);
    return;
  }
  Table<float, Station> station_weight;
  for (int i = 1; i <= station_count; ++i)
    station_weight(i) =
        static_cast<float>(std::pow(static_cast<double>(StationTable(i).distance), double{weight_power}));
  const double w1 = station_weight(1), w2 = station_weight(2), w3 = station_weight(3);
  for (int t = 1; t <= intervals_per_day; ++t) {  // in storage order, as copy_station
    for (int d = 1; d <= RunSettings.day_count; ++d) {
      if (dry_at_all_stations(d, t)) {  // (+0 + +0) + +0 over a positive denominator
        SiteSeries(d, t) = 0.0f;
        continue;
      }
      const double g1 = StationGrid(1, d, t), g2 = StationGrid(2, d, t), g3 = StationGrid(3, d, t);
      const double numerator = (g3 / w3 + g1 / w1) + g2 / w2;
      const double denominator = (1.0 / w1 + 1.0 / w2) + 1.0 / w3;
      SiteSeries(d, t) = static_cast<float>(numerator / denominator);
    }
  }
}

}  // namespace raingen
