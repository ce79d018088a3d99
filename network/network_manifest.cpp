#include "network/network_manifest.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include <fmt/format.h>

#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/sections_line.h"
#include "common/text.h"
#include "common/tool_error.h"
#include "stations/station_places.h"

namespace raingen::network {

namespace {

// A folder as the file system finds it, for telling two names of one folder apart: "./A", "A/"
// and "a" are "a" (letter case aside, as on a file system that ignores it).
std::string folder_key(const std::filesystem::path& folder) {
  std::string key = folder.lexically_normal().string();
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return common::lowercase(key);
}

using common::ToolError;

using common::shown_line;

std::optional<Position> parse_position(std::string_view text, CoordinateSystem coordinates) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const std::optional<double> a = common::parse_real(text.substr(0, comma));
  const std::optional<double> b = common::parse_real(text.substr(comma + 1));
  if (!a || !b) return std::nullopt;
  if (coordinates == CoordinateSystem::degrees && (std::fabs(*a) > 90 || std::fabs(*b) > 180)) return std::nullopt;
  return Position{*a, *b};
}

// The manifest of one file, line by line. Positions are read once [network] has said the system.
class ManifestParser {
 public:
  explicit ManifestParser(std::string file) : file_(std::move(file)) {}

  void line(std::string_view text, long number) {
    line_ = number;
    const common::SectionsLine read = common::read_sections_line(text, file_, number);
    if (read.kind == common::SectionsLine::Kind::skipped) return;
    if (read.kind == common::SectionsLine::Kind::header) return header(read.section, read.name);
    const std::string_view key = read.key, value = read.value;
    switch (kind_) {
      case Kind::none: fail(fmt::format("'{}' comes before any [section]", shown_line(text)));
      case Kind::network: return network_key(key, value);
      case Kind::gauge: return gauge_key(key, value);
      case Kind::site: return site_key(key, value);
      case Kind::other: return;
    }
  }

  NetworkManifest finish() {
    end_section();
    if (!network_seen_) throw ToolError(file_, 0, "has no [network] section: it is no network manifest");
    if (manifest_.station.empty())
      throw ToolError(file_, network_line_, "[network] does not name the site station (station = ID)");
    if (manifest_.gauges.empty()) throw ToolError(file_, 0, "lists no [gauge]");
    if (manifest_.sites.empty()) throw ToolError(file_, 0, "lists no [site]");
    for (const NetworkSite& site : manifest_.sites)
      for (const SiteGauge& g : site.gauges)
        if (!manifest_.gauge(g.id))
          throw ToolError(
              file_, site.line,
              fmt::format("[site {}] is weighted from gauge {}, which no [gauge] section gives", site.name, g.id));
    return std::move(manifest_);
  }

 private:
  enum class Kind { none, network, gauge, site, other };

  [[noreturn]] void fail(const std::string& what) const { throw ToolError(file_, line_, what); }
  [[noreturn]] void fail_at(long line, const std::string& what) const { throw ToolError(file_, line, what); }

  void header(std::string_view kind, std::string_view name) {
    end_section();
    keys_.clear();
    if (kind == "network") {
      if (!name.empty()) fail(fmt::format("[network {}]: the network section has no name: [network]", name));
      if (network_seen_) fail(fmt::format("[network] is given twice (line {})", network_line_));
      network_seen_ = true;
      network_line_ = line_;
      kind_ = Kind::network;
    } else if (kind == "gauge") {
      const std::optional<stations::StationId> id = stations::StationId::from(name);
      if (!id) fail(fmt::format("[gauge {}]: the ID must be {}", name, stations::station_id_rule));
      if (const NetworkGauge* before = manifest_.gauge(*id))
        fail(fmt::format("[gauge {}] is given twice (line {})", name, before->line));
      manifest_.gauges.push_back({.id = *id, .line = line_});
      kind_ = Kind::gauge;
    } else if (kind == "site") {
      if (const std::optional<std::string> problem = site_name_problem(name))
        fail(fmt::format("[site {}]: {}", name, *problem));
      if (const NetworkSite* before = manifest_.site(name))
        fail(fmt::format(
            "[site {}]: the site {} (line {}) has that name, letter case aside (SWMM does not tell them apart)", name,
            before->name, before->line));
      manifest_.sites.push_back({.name = std::string(name), .line = line_});
      kind_ = Kind::site;
    } else {
      kind_ = Kind::other;
    }
  }

  void end_section() {
    if (kind_ == Kind::gauge && !keys_.contains("position"))
      fail_at(manifest_.gauges.back().line, fmt::format("[gauge {}] has no position", manifest_.gauges.back().id));
    if (kind_ == Kind::site) {
      const NetworkSite& site = manifest_.sites.back();
      if (!keys_.contains("position")) fail_at(site.line, fmt::format("[site {}] has no position", site.name));
      if (!keys_.contains("folder")) fail_at(site.line, fmt::format("[site {}] has no folder", site.name));
      if (site.gauges.size() != 3)
        fail_at(site.line, fmt::format("[site {}] names {} gauges: it is weighted from three (gauge = ID DISTANCE)",
                                       site.name, site.gauges.size()));
    }
    kind_ = Kind::none;
  }

  void once(std::string_view key) {
    if (key == "gauge") return;
    if (!keys_.insert(std::string(key)).second) fail(fmt::format("{} is given twice in this section", key));
  }

  Position position(std::string_view value) const {
    if (!system_known_) fail("a position comes before [network] says the coordinates (degrees or planar)");
    const std::optional<Position> p = parse_position(value, manifest_.coordinates);
    if (!p)
      fail(fmt::format(
          "position '{}' is not {}", shown_line(value),
          manifest_.coordinates == CoordinateSystem::degrees ? "LAT,LON in degrees (-90..90, -180..180)" : "X,Y"));
    return *p;
  }

  void network_key(std::string_view key, std::string_view value) {
    once(key);
    if (key == "coordinates") {
      if (value == "degrees")
        manifest_.coordinates = CoordinateSystem::degrees;
      else if (value == "planar")
        manifest_.coordinates = CoordinateSystem::planar;
      else
        fail(fmt::format("coordinates '{}' is neither degrees nor planar", shown_line(value)));
      system_known_ = true;
    } else if (key == "map_unit") {
      manifest_.map_unit = std::string(value);
    } else if (key == "present") {
      const std::optional<weighting::Presence> present = weighting::parse_presence(value);
      if (!present) fail(fmt::format("present '{}' is neither all nor any", shown_line(value)));
      manifest_.present = *present;
    } else if (key == "station") {
      const std::optional<stations::StationId> id = stations::StationId::from(value);
      if (!id) fail(fmt::format("station '{}': the ID must be {}", shown_line(value), stations::station_id_rule));
      manifest_.station = *id;
    } else if (key == "sites") {
      manifest_.sites_file = std::string(value);
    } else if (key == "generation") {
      if (value.size() != 16 || value.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        fail(fmt::format("generation '{}' is not 16 hexadecimal digits", shown_line(value)));
      manifest_.generation = std::string(value);
    } else if (key == "sites_from") {
      if (value == "csv")
        manifest_.sites_from = SitesFrom::csv;
      else if (value == "swmm")
        manifest_.sites_from = SitesFrom::swmm;
      else
        fail(fmt::format("sites_from '{}' is neither csv nor swmm", shown_line(value)));
    }
  }

  void gauge_key(std::string_view key, std::string_view value) {
    once(key);
    NetworkGauge& gauge = manifest_.gauges.back();
    if (key == "position")
      gauge.position = position(value);
    else if (key == "record") {
      if (!std::filesystem::path(value).is_absolute())
        fail(fmt::format("record '{}' is not an absolute path", shown_line(value)));
      gauge.record = std::string(value);
    }
  }

  void site_key(std::string_view key, std::string_view value) {
    once(key);
    NetworkSite& site = manifest_.sites.back();
    if (key == "position") {
      site.position = position(value);
    } else if (key == "folder") {
      const std::filesystem::path folder(value);
      const std::string same = folder_key(folder);
      if (value.empty() || folder.is_absolute() || same.empty() || same == "." ||
          std::any_of(folder.begin(), folder.end(), [](const std::filesystem::path& part) { return part == ".."; }))
        fail(fmt::format("folder '{}' is not a folder inside the network directory", shown_line(value)));
      // Two sites on one folder would run, export and report one series under two names.
      for (const NetworkSite& other : manifest_.sites)
        if (&other != &site && folder_key(other.folder) == same)
          fail(fmt::format("folder '{}' is the folder of site {} (line {}): each site has a folder of its own",
                           shown_line(value), other.name, other.line));
      site.folder = std::string(value);
    } else if (key == "gauge") {
      const std::size_t blank = value.find(' ');
      const std::optional<stations::StationId> id =
          blank == std::string_view::npos ? std::nullopt : stations::StationId::from(value.substr(0, blank));
      const std::optional<long> distance =
          blank == std::string_view::npos ? std::nullopt : common::parse_integer(value.substr(blank + 1));
      if (!id || !distance || *distance < 0 || *distance > 999)
        fail(fmt::format("gauge '{}' is not ID DISTANCE (a station ID, a whole number 0 to 999)", shown_line(value)));
      site.gauges.push_back({*id, static_cast<int>(*distance)});
    }
  }

  std::string file_;
  long line_ = 0;
  Kind kind_ = Kind::none;
  bool network_seen_ = false, system_known_ = false;
  long network_line_ = 0;
  std::set<std::string> keys_;
  NetworkManifest manifest_;
};

}  // namespace

const NetworkSite* NetworkManifest::site(std::string_view name) const {
  const std::string wanted = common::lowercase(name);
  for (const NetworkSite& s : sites)
    if (common::lowercase(s.name) == wanted) return &s;
  return nullptr;
}

const NetworkGauge* NetworkManifest::gauge(const stations::StationId& id) const {
  for (const NetworkGauge& g : gauges)
    if (g.id == id) return &g;
  return nullptr;
}

std::optional<std::string> site_name_problem(std::string_view name) {
  if (name.empty()) return "a site needs a name";
  if (name.size() > longest_site_name)
    return fmt::format("the name has {} characters; a site name has at most {}", name.size(), longest_site_name);
  for (char c : name) {
    if (c <= ' ' || c > '~')
      return "a site name is printable ASCII without blanks (it names a folder and a SWMM rain gage)";
    if (c == '/' || c == '\\' || c == '"' || c == ';')
      return fmt::format("a site name holds no '{}' (it names a folder and a SWMM rain gage)", c);
  }
  if (name[0] == '.' || name[0] == '-' || name[0] == '[')
    return fmt::format("a site name does not begin with '{}' (it names a folder and a SWMM rain gage)", name[0]);
  return std::nullopt;
}

double distance(CoordinateSystem coordinates, const Position& p, const Position& q) {
  if (coordinates == CoordinateSystem::planar) return std::hypot(p.a - q.a, p.b - q.b);
  return stations::great_circle_km({p.a, p.b}, {q.a, q.b});
}

std::string distance_unit(const NetworkManifest& manifest) {
  if (manifest.coordinates == CoordinateSystem::degrees) return "km";
  return manifest.map_unit.empty() ? "map unit" : manifest.map_unit;
}

bool is_network_directory(const std::filesystem::path& dir) {
  std::error_code ignored;
  return std::filesystem::exists(dir / manifest_file_name, ignored);
}

NetworkManifest read_network_manifest(const std::filesystem::path& dir) {
  const std::string file = (dir / manifest_file_name).string();
  std::error_code error;
  if (!std::filesystem::exists(file, error))
    throw ToolError(file, 0, "is missing: a network directory is made by raingen-prepare --network");
  common::LineReader reader(file);
  ManifestParser parser(file);
  std::string_view line;
  while (reader.next(line)) parser.line(line, reader.line_number());
  return parser.finish();
}

std::string network_manifest_text(const NetworkManifest& m) {
  std::string text =
      "# raingen network: the sites prepared together by raingen-prepare --network from one gauge network, one\n"
      "# run directory each (folder), with one list of dates and one spell table, so that one seed draws the\n"
      "# same dates at every site. Read by raingen-ensemble, raingen-export and raingen-report.\n";
  const auto line = [&](std::string_view key, std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos)
      throw ToolError(fmt::format("{} cannot hold the value of {}: it has a line end", manifest_file_name, key));
    text += fmt::format("{} = {}\n", key, value);
  };
  text += "\n[network]\n";
  line("coordinates", m.coordinates == CoordinateSystem::degrees ? "degrees" : "planar");
  if (m.coordinates == CoordinateSystem::planar) line("map_unit", m.map_unit.empty() ? "map unit" : m.map_unit);
  line("present", weighting::presence_name(m.present));
  line("station", m.station.text());
  if (!m.sites_file.empty()) line("sites", m.sites_file);
  line("sites_from", m.sites_from == SitesFrom::csv ? "csv" : "swmm");
  if (!m.generation.empty()) line("generation", m.generation);
  for (const NetworkGauge& g : m.gauges) {
    text += fmt::format("\n[gauge {}]\n", g.id);
    line("position", position_text(m.coordinates, g.position));
    if (g.record) line("record", *g.record);
  }
  for (const NetworkSite& s : m.sites) {
    text += fmt::format("\n[site {}]\n", s.name);
    line("position", position_text(m.coordinates, s.position));
    line("folder", s.folder);
    for (const SiteGauge& g : s.gauges) line("gauge", fmt::format("{} {}", g.id, g.distance));
  }
  return text;
}

common::FileText network_manifest_file(const std::filesystem::path& dir, const NetworkManifest& manifest) {
  return {dir / manifest_file_name, network_manifest_text(manifest)};
}

}  // namespace raingen::network
