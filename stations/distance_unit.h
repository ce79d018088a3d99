// The unit of the distances INPUT.TXT gets from coordinates. The program weighs the stations by
// the inverse squares of the whole numbers of 3 digits it reads, whatever their unit, so nothing
// forces kilometres; rounded to kilometres, stations 0.111, 0.204 and 0.556 km away become 0, 0
// and 1 and the program takes the first whole. The unit is therefore:
// - kilometres (as before) when they keep every station's weight (its share of the site value,
//   as the program computes it from the rounded distances) within 1 percentage point of its exact
//   inverse-square weight;
// - else the finest of 100 m, 10 m and 1 m that holds the farthest station within 999, which
//   brings it nearest below 999, when that keeps the weights so (a coarser one that does, else).
// A station less than 5 m from the site lies at it (distance 0: the program takes its series
// alone, and so do the exact weights); every other station must come to at least 1.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace raingen::stations {

inline constexpr double at_site_metres = 5.0;
inline constexpr double weight_tolerance = 0.01;  // of the site value
inline constexpr std::array<int, 4> distance_units_metres{1000, 100, 10, 1};

struct DistancesInUnit {
  int unit_metres = 0;
  std::array<int, 3> distances{};
  bool fits = false;               // every station not at the site at 1 to 999
  std::array<double, 3> shares{};  // as the program weighs the distances
  double largest_error = 0;        // from the exact shares
};

struct DistancePlan {
  std::array<double, 3> exact_shares{};
  std::vector<DistancesInUnit> units;  // in the order of distance_units_metres
  std::optional<std::size_t> chosen;   // none when no unit fits and keeps the weights
};

// The distances of three stations in metres, at_site for those at the site (the user's ID=0, or
// within at_site_metres), in each unit, and the unit chosen by the rule above.
DistancePlan plan_distances(const std::array<double, 3>& metres, const std::array<bool, 3>& at_site);

// "1 km", "100 m", "10 m", "1 m".
std::string unit_text(int unit_metres);

}  // namespace raingen::stations
