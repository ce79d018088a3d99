// The sites of a network, read from a file: a CSV whose header is "name,lat,lon" (degrees, north
// and east positive) or "name,x,y" (a planar map unit), one site a line; or a SWMM input file
// (.inp), whose subcatchments ([SUBCATCHMENTS]) lie at the area centroids of their [POLYGONS], in
// the model's map units ([MAP] Units Degrees: X is the longitude, Y the latitude, and the sites are
// in degrees). Names follow site_name_problem, and no two differ only in letter case.
#pragma once

#include <string>
#include <vector>

#include "network/network_manifest.h"

namespace raingen::network {

struct SiteAt {
  std::string name;
  Position position{};
  long line = 0;  // of the site's line (CSV) or of its subcatchment's line (SWMM)
};

struct SiteList {
  CoordinateSystem coordinates = CoordinateSystem::degrees;
  std::string map_unit;  // planar: "ft", "m", or empty (unnamed)
  SitesFrom from = SitesFrom::csv;
  std::vector<SiteAt> sites;  // in the file's order
};

// Reads the sites of path: SWMM when its name ends in ".inp" (any letter case), CSV otherwise.
// Throws ToolError naming the file and line of a line that does not read, a position out of
// range for degrees, a name the rule refuses or one given twice (letter case aside), a
// subcatchment without polygon; naming the file alone when it lists no site or, for SWMM, has no
// [POLYGONS].
SiteList read_sites(const std::string& path);

// The area centroid of a polygon of vertices (x, y) (the mean of its vertices when its area is 0).
Position polygon_centroid(const std::vector<Position>& vertices);

}  // namespace raingen::network
