// NETWORK.TXT: the manifest of a network directory, written by raingen-prepare --network and read
// by raingen-ensemble, raingen-export and raingen-report (the program never reads it). A network
// directory holds one run directory per site (its folder), all prepared from one gauge network
// with one list of dates and one spell table, so that one seed draws the same dates at every site.
//
//   [network]     coordinates = degrees | planar (every position of the file in that system)
//                 map_unit = the planar unit as the sites file names it (planar only; "map unit"
//                   when it names none)
//                 present = all | any (how each site's weighted record was made)
//                 station = ID: the site station of every site's folder (at distance 0)
//                 sites = the sites file read (absolute path); sites_from = csv | swmm
//   [gauge ID]    position = A,B; record = the gauge record's absolute path (none: standard input)
//   [site NAME]   position = A,B; folder = the site's run directory, relative to the network
//                 directory; gauge = ID DISTANCE, three times, the gauges its record is weighted
//                 from, nearest first, at the whole-number distances its INPUT weighting used
//
// A position A,B is LAT,LON in degrees (north and east positive) or X,Y in the map unit. Sites are
// listed in the order of the sites file: that order is the site dimension of every file made from
// the network. Syntax as RAINGEN.TXT's: LF line ends (CR LF reads the same), '#' comments, blank
// lines, "[KIND]" or "[KIND NAME]" headers, "KEY = VALUE" lines; unknown keys and sections are
// ignored, so that a newer file stays readable.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/output_file.h"
#include "places/position.h"
#include "stations/station_id.h"
#include "weighting/presence.h"

namespace raingen::network {

inline constexpr std::string_view manifest_file_name = "NETWORK.TXT";

using places::CoordinateSystem;
using places::Position;
enum class SitesFrom { csv, swmm };

struct NetworkGauge {
  stations::StationId id;
  Position position{};
  std::optional<std::string> record{};  // absolute; none for standard input
  long line = 0;                        // of its header in the file read
};

struct SiteGauge {
  stations::StationId id;
  int distance = 0;  // as the site's weighting used it
};

struct NetworkSite {
  std::string name;  // site_name_problem accepts it
  Position position{};
  std::string folder{};             // relative to the network directory
  std::vector<SiteGauge> gauges{};  // three, nearest first
  long line = 0;
};

struct NetworkManifest {
  CoordinateSystem coordinates = CoordinateSystem::degrees;
  std::string map_unit;  // planar only
  weighting::Presence present = weighting::Presence::all;
  stations::StationId station;
  std::string sites_file;
  SitesFrom sites_from = SitesFrom::csv;
  // 16 hexadecimal digits drawn for each preparation, written into every site's RAINGEN.TXT and into
  // NETWORK.TXT, which is put in place last: a folder of another preparation (one cut short while
  // its files were renamed) is told by it. Empty for networks prepared before it was written.
  std::string generation;
  std::vector<NetworkGauge> gauges;
  std::vector<NetworkSite> sites;  // in the order of the sites file

  const NetworkSite* site(std::string_view name) const;  // by name, letter case ignored; null when none
  const NetworkGauge* gauge(const stations::StationId& id) const;
};

// Why a site name cannot name a site, or none: a site name is its folder's name and its SWMM rain
// gage's, so it has 1 to 63 printable ASCII characters, none a blank or one of / \ " ; and it
// does not begin with '.', '-' or '['. (SWMM compares names without letter case: two sites whose
// names differ only so are refused by the reader and by the preparation.)
std::optional<std::string> site_name_problem(std::string_view name);
inline constexpr std::size_t longest_site_name = 63;

// The distance between two positions: great-circle km for degrees, straight-line map units for
// planar; and the unit's text ("km", or the map unit).
double distance(CoordinateSystem coordinates, const Position& p, const Position& q);
std::string distance_unit(const NetworkManifest& manifest);

using places::position_text;

// Whether dir holds NETWORK.TXT.
bool is_network_directory(const std::filesystem::path& dir);

// Reads dir/NETWORK.TXT. Throws ToolError naming the file and line of a line that is malformed or
// a value that does not fit (a position out of range, a name the rule refuses, two sites whose
// names differ at most in letter case, a gauge line naming no [gauge], a folder that leaves the
// directory); naming the file alone when it is missing, has no [network], no site or no gauge.
NetworkManifest read_network_manifest(const std::filesystem::path& dir);

// The file's text (a comment saying what it is, [network], the gauges, the sites) and the file in
// dir, for a tool that writes it together with the sites' folders.
std::string network_manifest_text(const NetworkManifest& manifest);
common::FileText network_manifest_file(const std::filesystem::path& dir, const NetworkManifest& manifest);

}  // namespace raingen::network
