#include "network/site_gauges.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "common/numbers.h"
#include "stations/distance_unit.h"

namespace raingen::network {

namespace {

double cross(const Position& o, const Position& a, const Position& b) {
  return (a.a - o.a) * (b.b - o.b) - (a.b - o.b) * (b.a - o.a);
}

// The hull's vertices counterclockwise (Andrew's monotone chain); collinear points left out.
std::vector<Position> hull_of(std::vector<Position> p) {
  std::sort(p.begin(), p.end(),
            [](const Position& x, const Position& y) { return x.a < y.a || (x.a == y.a && x.b < y.b); });
  std::vector<Position> h(2 * p.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    while (k >= 2 && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  for (std::size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  h.resize(k > 1 ? k - 1 : k);
  return h;
}

}  // namespace

bool inside_hull(const std::vector<Position>& points, const Position& p) {
  const std::vector<Position> h = hull_of(points);
  double extent = 0;
  for (const Position& q : points) extent = std::max({extent, std::fabs(q.a - h[0].a), std::fabs(q.b - h[0].b)});
  const double tolerance = 1e-9 * extent * extent;  // on an edge is inside
  if (h.size() < 3) return false;
  for (std::size_t i = 0; i < h.size(); ++i)
    if (cross(h[i], h[(i + 1) % h.size()], p) < -tolerance) return false;
  return true;
}

SiteGauges site_gauges(CoordinateSystem coordinates, const std::string& map_unit, const Position& site,
                       const std::vector<Position>& gauges) {
  std::vector<double> d(gauges.size());
  for (std::size_t g = 0; g < gauges.size(); ++g) d[g] = distance(coordinates, site, gauges[g]);
  std::vector<std::size_t> order(gauges.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return d[x] < d[y]; });
  SiteGauges s;
  for (std::size_t i = 0; i < 3; ++i) {
    s.gauges[i] = order[i];
    s.exact[i] = d[order[i]];
  }
  // In "metres" of the plan: real metres, or the finest power-of-ten unit of the map.
  const bool degrees = coordinates == CoordinateSystem::degrees;
  const double farthest = s.exact[2];
  const double finest = degrees ? 0.001 : farthest > 0 ? std::pow(10.0, std::ceil(std::log10(farthest / 999))) : 1.0;
  std::array<double, 3> metres{};
  std::array<bool, 3> at_site{};
  for (std::size_t i = 0; i < 3; ++i) {
    metres[i] = s.exact[i] / finest;
    at_site[i] = degrees ? metres[i] < stations::at_site_metres : metres[i] < 0.5;
  }
  if (at_site[0]) s.at_gauge = s.gauges[0];
  const stations::DistancePlan plan = stations::plan_distances(metres, at_site);
  if (!plan.chosen) return s;
  const stations::DistancesInUnit& chosen = plan.units[*plan.chosen];
  s.distances = chosen.distances;
  s.shares = chosen.shares;
  const double step = finest * chosen.unit_metres;
  s.unit = degrees ? stations::unit_text(chosen.unit_metres)
                   : common::shortest_text(step) + " " +
                         (!map_unit.empty() ? map_unit
                          : step == 1       ? "map unit"
                                            : "map units");
  return s;
}

}  // namespace raingen::network
