#include "network/sites_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include <fmt/format.h>

#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/tool_error.h"

namespace raingen::network {

namespace {

using common::ToolError;

constexpr std::string_view blanks = " \t";

using common::lowercase;
using common::split;
using common::trimmed;

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(blanks, at)) != std::string_view::npos) {
    const std::size_t end = std::min(text.find_first_of(blanks, at), text.size());
    out.push_back(text.substr(at, end - at));
    at = end;
  }
  return out;
}

// Adds a site, refusing a name the rule refuses or one an earlier site has (letter case aside).
void add_site(SiteList& list, std::map<std::string, std::size_t>& names, const std::string& file, SiteAt site) {
  if (const std::optional<std::string> problem = site_name_problem(site.name))
    throw ToolError(file, site.line, fmt::format("site '{}': {}", site.name, *problem));
  const std::string key = lowercase(site.name);
  if (const auto before = names.find(key); before != names.end())
    throw ToolError(file, site.line,
                    fmt::format("site {}: the site {} (line {}) has that name, letter case aside (SWMM does not tell "
                                "them apart)",
                                site.name, list.sites[before->second].name, list.sites[before->second].line));
  names[key] = list.sites.size();
  list.sites.push_back(std::move(site));
}

SiteList read_csv_sites(const std::string& file) {
  SiteList list;
  common::LineReader reader(file);
  std::string_view line;
  bool header = false;
  std::map<std::string, std::size_t> names;
  while (reader.next(line)) {
    const long number = reader.line_number();
    if (trimmed(line).empty()) continue;
    const std::vector<std::string_view> fields = split(line, ',');
    if (!header) {
      std::vector<std::string> columns;
      for (std::string_view f : fields) columns.push_back(lowercase(f));
      if (columns == std::vector<std::string>{"name", "lat", "lon"})
        list.coordinates = CoordinateSystem::degrees;
      else if (columns == std::vector<std::string>{"name", "x", "y"})
        list.coordinates = CoordinateSystem::planar;
      else
        throw ToolError(file, number, "the header is neither name,lat,lon (degrees) nor name,x,y (a planar map unit)");
      header = true;
      continue;
    }
    if (fields.size() != 3)
      throw ToolError(file, number, fmt::format("{} fields: a site is NAME,A,B as the header says", fields.size()));
    const std::optional<double> a = common::parse_real(fields[1]), b = common::parse_real(fields[2]);
    const bool degrees = list.coordinates == CoordinateSystem::degrees;
    if (!a || !b || !std::isfinite(*a) || !std::isfinite(*b))
      throw ToolError(
          file, number,
          fmt::format("'{},{}' is no position ({})", fields[1], fields[2], degrees ? "LAT,LON in degrees" : "X,Y"));
    if (degrees && (std::fabs(*a) > 90 || std::fabs(*b) > 180))
      throw ToolError(file, number,
                      fmt::format("{},{} is out of -90..90, -180..180: the header says degrees (name,lat,lon); "
                                  "positions in a planar map unit take the header name,x,y",
                                  fields[1], fields[2]));
    add_site(list, names, file, {std::string(fields[0]), {*a, *b}, number});
  }
  if (!header || list.sites.empty())
    throw ToolError(file, 0, "lists no site (a header name,lat,lon or name,x,y, then a site a line)");
  return list;
}

// Twice the signed area of the triangle a, b, c: which side of a-b the point c is on.
double turn(const Position& a, const Position& b, const Position& c) {
  return (b.a - a.a) * (c.b - a.b) - (b.b - a.b) * (c.a - a.a);
}

// Why a polygon has no centroid inside it: edges that cross (a figure eight), or, in degrees, a
// span of longitudes past 180 (a polygon across the antimeridian, whose plain average lies a world
// away). Edges that only touch are taken.
std::optional<std::string> polygon_fault(std::vector<Position> v, CoordinateSystem coordinates) {
  if (v.size() > 1 && v.front().a == v.back().a && v.front().b == v.back().b) v.pop_back();  // closed by repeating
  if (coordinates == CoordinateSystem::degrees) {
    const auto [low, high] =
        std::minmax_element(v.begin(), v.end(), [](const Position& p, const Position& q) { return p.a < q.a; });
    if (high->a - low->a > 180)
      return std::string("spans longitudes from X ") + common::shortest_text(low->a) + " to " +
             common::shortest_text(high->a) + ", across the antimeridian";
  }
  const std::size_t n = v.size();
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours through the closing edge
      const Position &a = v[i], &b = v[(i + 1) % n], &c = v[j], &d = v[(j + 1) % n];
      if (turn(a, b, c) * turn(a, b, d) < 0 && turn(c, d, a) * turn(c, d, b) < 0)
        return fmt::format("crosses itself (its edges {} and {})", i + 1, j + 1);
    }
  return std::nullopt;
}

// What a SWMM input file gives of its subcatchments: their names and lines, their polygons, the
// map's units.
struct SwmmSections {
  std::vector<std::pair<std::string, long>> subcatchments;
  std::map<std::string, std::vector<Position>> polygons;  // by lower-case name
  bool polygons_seen = false;
  CoordinateSystem coordinates = CoordinateSystem::planar;
  std::string map_unit;
};

SwmmSections read_swmm_sections(const std::string& file) {
  SwmmSections read;
  common::LineReader reader(file);
  std::string_view line;
  std::string section;
  while (reader.next(line)) {
    const long number = reader.line_number();
    const std::string_view content = trimmed(line.substr(0, line.find(';')));
    if (content.empty()) continue;
    if (content.front() == '[') {
      section = lowercase(content);
      read.polygons_seen = read.polygons_seen || section == "[polygons]";
      continue;
    }
    const std::vector<std::string_view> w = words(content);
    if (section == "[subcatchments]") {
      read.subcatchments.emplace_back(std::string(w[0]), number);
    } else if (section == "[polygons]") {
      const std::optional<double> x = w.size() >= 3 ? common::parse_real(w[1]) : std::nullopt;
      const std::optional<double> y = w.size() >= 3 ? common::parse_real(w[2]) : std::nullopt;
      if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y))
        throw ToolError(file, number, "a [POLYGONS] line is SUBCATCHMENT X Y");
      read.polygons[lowercase(w[0])].push_back({*x, *y});
    } else if (section == "[map]" && w.size() >= 2 && lowercase(w[0]) == "units") {
      const std::string unit = lowercase(w[1]);
      if (unit == "degrees")
        read.coordinates = CoordinateSystem::degrees;
      else if (unit == "feet" || unit == "meters")
        read.map_unit = std::string(unit == "feet" ? "ft" : "m");
    }
  }
  return read;
}

SiteList read_swmm_sites(const std::string& file) {
  const SwmmSections read = read_swmm_sections(file);
  SiteList list;
  list.from = SitesFrom::swmm;
  list.coordinates = read.coordinates;
  list.map_unit = read.map_unit;
  if (read.subcatchments.empty()) throw ToolError(file, 0, "has no subcatchment ([SUBCATCHMENTS]): it gives no site");
  if (!read.polygons_seen)
    throw ToolError(file, 0,
                    "has no [POLYGONS]: a subcatchment's site is the centroid of its polygon; draw the "
                    "subcatchments in SWMM, or give the sites as a CSV name,x,y");
  std::map<std::string, std::size_t> names;
  for (const auto& [name, number] : read.subcatchments) {
    const auto polygon = read.polygons.find(lowercase(name));
    if (polygon == read.polygons.end())
      throw ToolError(file, number,
                      fmt::format("subcatchment {} has no polygon in [POLYGONS]: its site is the centroid "
                                  "of its polygon",
                                  name));
    if (const std::optional<std::string> fault = polygon_fault(polygon->second, list.coordinates))
      throw ToolError(file, number,
                      fmt::format("subcatchment {}: its polygon {}: the centroid, its site, would lie "
                                  "outside it; redraw the polygon, or give the sites as a CSV",
                                  name, *fault));
    Position at = polygon_centroid(polygon->second);
    if (list.coordinates == CoordinateSystem::degrees) {
      at = {at.b, at.a};  // X is the longitude, Y the latitude
      if (std::fabs(at.a) > 90 || std::fabs(at.b) > 180)
        throw ToolError(file, number,
                        fmt::format("subcatchment {} lies at X {} Y {}, out of -180..180, -90..90: "
                                    "[MAP] Units says degrees",
                                    name, common::shortest_text(at.b), common::shortest_text(at.a)));
    }
    add_site(list, names, file, {name, at, number});
  }
  return list;
}

bool ends_in_inp(const std::string& path) {
  return path.size() >= 4 && lowercase(std::string_view(path).substr(path.size() - 4)) == ".inp";
}

}  // namespace

Position polygon_centroid(const std::vector<Position>& v) {
  double area2 = 0, cx = 0, cy = 0, mx = 0, my = 0;
  // About the first vertex, so that coordinates of a large map unit lose no digits.
  const Position o = v.front();
  for (std::size_t i = 0; i < v.size(); ++i) {
    const Position p{v[i].a - o.a, v[i].b - o.b}, q{v[(i + 1) % v.size()].a - o.a, v[(i + 1) % v.size()].b - o.b};
    const double cross = p.a * q.b - q.a * p.b;
    area2 += cross;
    cx += (p.a + q.a) * cross;
    cy += (p.b + q.b) * cross;
    mx += p.a;
    my += p.b;
  }
  const auto n = static_cast<double>(v.size());
  if (std::fabs(area2) <= 1e-12 * (mx * mx + my * my + 1)) return {o.a + mx / n, o.b + my / n};
  return {o.a + cx / (3 * area2), o.b + cy / (3 * area2)};
}

SiteList read_sites(const std::string& path) {
  return ends_in_inp(path) ? read_swmm_sites(path) : read_csv_sites(path);
}

}  // namespace raingen::network
