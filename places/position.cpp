#include "places/position.h"

#include <cmath>

#include <fmt/format.h>

#include "common/numbers.h"

namespace raingen::places {

bool degree_like(const Position& p) { return std::fabs(p.a) <= 90 && std::fabs(p.b) <= 180; }

std::string position_text(CoordinateSystem coordinates, const Position& position) {
  if (coordinates == CoordinateSystem::degrees) return fmt::format("{:.7f},{:.7f}", position.a, position.b);
  return common::shortest_text(position.a) + "," + common::shortest_text(position.b);
}

}  // namespace raingen::places
