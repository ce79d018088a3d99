#include "network/prepare_network.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <utility>
#include <random>
#include <set>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/numbers.h"
#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/read_gauge.h"
#include "network/files_together.h"
#include "network/network_days.h"
#include "network/site_gauges.h"
#include "network/sites_file.h"
#include "stations/prepare_command.h"
#include "stations/run_facts.h"
#include "stations/settings_file.h"
#include "weighting/weighted_record.h"

namespace raingen::network {

namespace {

// An exclusive lock on a folder (flock on the folder itself, so that no file is left behind), held
// while the object lives; none on a folder that is not there yet.
class FolderLock {
 public:
  FolderLock() = default;
  explicit FolderLock(const std::filesystem::path& folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
      ::close(std::exchange(fd_, -1));
      throw common::ToolError(folder.string(), 0,
                      "another raingen-prepare is preparing a network into it now: prepare a network once at a time");
    }
  }
  FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FolderLock& operator=(FolderLock&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }

 private:
  int fd_ = -1;
};

constexpr std::size_t files_a_site = 11;

// A preparation's generation: 64 random bits as 16 hexadecimal digits.
std::string new_generation() {
  std::random_device random;
  const std::uint64_t bits = (static_cast<std::uint64_t>(random()) << 32) ^ random() ^
                             static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return fmt::format("{:016x}", bits);
}

using common::ToolError;
using common::UsageError;

struct Gauge {
  stations::StationId id;
  Position position;
  const common::GaugeArgument* record = nullptr;
};

struct Site {
  SiteAt at;
  SiteGauges near;
  std::string folder;
  bool outside_hull = false;
};

// The gauges of the command, each with its position and record, in the order of --gauge.
std::vector<Gauge> gauges_of(const NetworkCommand& c) {
  std::vector<Gauge> gauges;
  for (const common::GaugeArgument& g : c.gauges) {
    const auto place = std::find_if(c.places.begin(), c.places.end(), [&](const GaugePlace& p) { return p.id == g.id; });
    if (place == c.places.end())
      throw UsageError(fmt::format("--gauge {}: no --station {}@A,B gives its position", g.id, g.id));
    gauges.push_back({stations::StationId::given(g.id, "--gauge"), place->position, &g});
  }
  for (const GaugePlace& p : c.places)
    if (std::none_of(c.gauges.begin(), c.gauges.end(), [&](const common::GaugeArgument& g) { return g.id == p.id; }))
      throw UsageError(fmt::format("--station {}: no --gauge {}=FILE gives its record", p.id, p.id));
  if (gauges.size() < 3)
    throw UsageError(fmt::format("a network needs at least three gauges (--gauge ID=FILE with --station ID@A,B): {} "
                                 "given",
                                 gauges.size()));
  return gauges;
}

// Refuses gauges and sites that cannot share one coordinate system.
void check_one_system(const SiteList& sites, const std::vector<Gauge>& gauges, const std::string& file) {
  if (sites.coordinates == CoordinateSystem::degrees) {
    for (const Gauge& g : gauges)
      if (!degree_like(g.position))
        throw UsageError(fmt::format("--station {}@{},{}: out of -90..90, -180..180, and the sites of {} are in degrees: "
                                     "give the gauges as LAT,LON",
                                     g.id, common::shortest_text(g.position.a), common::shortest_text(g.position.b), file));
    return;
  }
  const bool gauges_look = std::all_of(gauges.begin(), gauges.end(), [](const Gauge& g) { return degree_like(g.position); });
  const bool no_gauge_looks = std::none_of(gauges.begin(), gauges.end(), [](const Gauge& g) { return degree_like(g.position); });
  const bool sites_look = std::all_of(sites.sites.begin(), sites.sites.end(), [](const SiteAt& s) { return degree_like(s.position); });
  const bool no_site_looks = std::none_of(sites.sites.begin(), sites.sites.end(), [](const SiteAt& s) { return degree_like(s.position); });
  if ((gauges_look && no_site_looks) || (sites_look && no_gauge_looks))
    throw UsageError(fmt::format("the sites of {} are in a planar map unit, but {} positions all lie within -90..90, "
                                 "-180..180 as degrees would and no {} does: give the gauges (--station ID@X,Y) and the "
                                 "sites in one map unit",
                                 file, gauges_look ? "the gauges'" : "the sites'", gauges_look ? "site's" : "gauge's"));
}

// "SITE", or the first of SIT1 .. SIT9 that no gauge has.
stations::StationId site_station_id(const std::vector<Gauge>& gauges) {
  for (const char* id : {"SITE", "SIT1", "SIT2", "SIT3", "SIT4", "SIT5", "SIT6", "SIT7", "SIT8", "SIT9"})
    if (std::none_of(gauges.begin(), gauges.end(), [&](const Gauge& g) { return g.id.text() == id; }))
      return stations::StationId::given(id, "the site station");
  throw UsageError("the gauges take every site station ID SITE, SIT1 .. SIT9: give a gauge another ID");
}

// No file written may replace a record read or the sites file.
void check_no_input_replaced(const std::vector<std::filesystem::path>& targets, const NetworkCommand& c) {
  std::error_code ignored;
  for (const std::filesystem::path& target : targets) {
    for (const common::GaugeArgument& g : c.gauges)
      if (g.path != "-" && std::filesystem::equivalent(target, g.path, ignored))
        throw UsageError(fmt::format("{} would replace the record of {}", target.string(), g.id));
    if (std::filesystem::equivalent(target, c.sites_file, ignored))
      throw UsageError(fmt::format("{} would replace the sites file", target.string()));
  }
}

std::string site_input_name(const std::string& name) { return name.substr(0, common::settings_name_width); }

}  // namespace

void run_network_command(const NetworkCommand& c, std::ostream& out) {
  const std::vector<Gauge> gauges = gauges_of(c);
  const SiteList list = read_sites(c.sites_file);
  check_one_system(list, gauges, c.sites_file);
  const stations::StationId site_id = site_station_id(gauges);
  std::vector<Position> gauge_positions;
  for (const Gauge& g : gauges) gauge_positions.push_back(g.position);
  const bool hull_known = gauges.size() >= 3;

  // One preparation of a network folder at a time: two would put their files in place over each
  // other's (a folder made here is locked when it is made, below).
  FolderLock lock(c.dir);

  // Each site's gauges, distances and folder, and every target, before any record is read.
  std::vector<Site> sites;
  std::vector<std::filesystem::path> folders{c.dir};
  std::set<std::size_t> used, fillers;
  for (const SiteAt& at : list.sites) {
    Site site{at, site_gauges(list.coordinates, list.map_unit, at.position, gauge_positions), at.name, false};
    const SiteGauges& n = site.near;
    if (n.unit.empty())
      throw ToolError(c.sites_file, at.line,
                      fmt::format("site {}: no unit holds the distances of its gauges {} {}, {} {} and {} {} ({}) as "
                                  "whole numbers of 3 digits and keeps their weights within 1 point",
                                  at.name, gauges[n.gauges[0]].id, common::shortest_text(n.exact[0]), gauges[n.gauges[1]].id,
                                  common::shortest_text(n.exact[1]), gauges[n.gauges[2]].id,
                                  common::shortest_text(n.exact[2]),
                                  list.coordinates == CoordinateSystem::degrees ? "km"
                                  : list.map_unit.empty()                       ? "map units"
                                                                                : list.map_unit));
    site.outside_hull = hull_known && !n.at_gauge && !inside_hull(gauge_positions, at.position);
    for (std::size_t i = 0; i < 3; ++i) used.insert(n.gauges[i]);
    fillers.insert(n.gauges[0]);
    fillers.insert(n.gauges[1]);
    folders.push_back(c.dir / site.folder);
    sites.push_back(std::move(site));
  }
  for (const std::filesystem::path& folder : folders) common::check_output_folder(folder);
  std::vector<std::filesystem::path> targets{c.dir / manifest_file_name};
  std::vector<stations::RunFacts> facts_before;
  for (const Site& site : sites) {
    const std::filesystem::path folder = c.dir / site.folder;
    targets.push_back(folder / common::settings_file_name);
    targets.push_back(folder / stations::run_facts_file_name);
    for (const stations::StationId& id : {site_id, gauges[site.near.gauges[0]].id, gauges[site.near.gauges[1]].id})
      for (const std::string& name : id.file_names()) targets.push_back(folder / name);
    for (auto t = targets.end() - 11; t != targets.end(); ++t) common::check_future_output(*t);
    facts_before.push_back(stations::read_run_facts(folder));
    if (facts_before.back().seasons)
      throw UsageError(fmt::format("{}: lists seasons; a network's folders are prepared without seasons",
                                   (folder / stations::run_facts_file_name).string()));
  }
  common::check_future_output(targets.front());
  check_no_input_replaced(targets, c);
  std::vector<std::string> settings_texts;
  for (const Site& site : sites) {
    stations::Settings settings;
    settings.results_name = c.results_name;
    settings.site_name = site_input_name(site.at.name);
    settings.day_count = c.day_count;
    settings.stations = {stations::StationSetting{site_id, 0},
                         stations::StationSetting{gauges[site.near.gauges[0]].id, site.near.distances[0]},
                         stations::StationSetting{gauges[site.near.gauges[1]].id, site.near.distances[1]}};
    settings_texts.push_back(stations::settings_text(settings));
  }

  // Room for every file written together (a site's: its station's three, its two fillers' six,
  // INPUT.TXT and RAINGEN.TXT; and NETWORK.TXT), before a record is read or a file written aside.
  make_room_for(sites.size() * files_a_site + 1, c.dir / manifest_file_name);

  // The records of the gauges some site uses, each read once.
  std::map<std::size_t, gauge::CalendarSeries> records;
  std::map<std::size_t, gauge::ReadFacts> read_facts;
  for (std::size_t g : used) {
    gauge::ReadOptions read = gauge::gauge_read_options(gauges[g].record->id, gauges[g].record->options);
    read.depth_limit = common::depth_limit_mm;
    records[g] = gauge::read_gauge(gauges[g].record->path, read, &read_facts[g]);
  }
  const auto source_of = [&](const Site& site) {
    return fmt::format("the weighted record of site {} ({}, {} and {})", site.at.name, gauges[site.near.gauges[0]].id,
                       gauges[site.near.gauges[1]].id, gauges[site.near.gauges[2]].id);
  };
  // The site's weighted record, made again when it is needed: a network of many sites never holds
  // more than one at a time.
  const auto site_record = [&](const Site& site, weighting::RecordsPresent* made) {
    std::array<const gauge::CalendarSeries*, 3> used_records{};
    for (std::size_t i = 0; i < 3; ++i) used_records[i] = &records.at(site.near.gauges[i]);
    gauge::CalendarSeries record =
        weighting::weighted_record(site_id.text(), used_records, site.near.distances, c.present, made);
    if (record.empty()) throw ToolError(source_of(site), 0, "is empty: the records it uses have no interval in common");
    return record;
  };

  // The network's days from every site's kinds.
  std::vector<DayKinds> site_kinds;
  for (const Site& site : sites) site_kinds.push_back(kinds_of(site_record(site, nullptr), c.prepare.days));
  const DayKinds network = network_kinds(site_kinds);
  site_kinds.clear();
  if (network.kinds.empty())
    throw ToolError(c.sites_file, 0, "the sites' weighted records have no day in common: the gauges' records do not overlap");

  // Each filler gauge prepared once; its files go into every folder that uses it.
  std::map<std::size_t, std::vector<common::FileText>> gauge_files;
  for (std::size_t g : fillers) {
    const stations::PreparedStation prepared =
        stations::prepare_station(records.at(g), gauges[g].id, c.prepare, gauges[g].record->path);
    gauge_files[g] = stations::station_file_texts({}, prepared.files);
  }

  NetworkManifest manifest{.coordinates = list.coordinates,
                           .map_unit = list.map_unit,
                           .present = c.present,
                           .station = site_id,
                           .sites_file = std::filesystem::absolute(c.sites_file).lexically_normal().string(),
                           .sites_from = list.from,
                           .gauges = {},
                           .sites = {}};
  for (std::size_t g : used)
    manifest.gauges.push_back({gauges[g].id, gauges[g].position, stations::record_fact(gauges[g].record->path)});
  manifest.generation = new_generation();
  std::optional<stations::PreparedStation> first;
  std::vector<weighting::RecordsPresent> made(sites.size());
  std::size_t files_written = 0;
  // Site by site: its files are written aside as soon as they are made, and all are put in place
  // together at the end, so that neither the weighted records nor the files' texts of all sites
  // are held at once. The folders made are removed again on a failure.
  std::vector<std::filesystem::path> folders_made;
  try {
    for (const std::filesystem::path& folder : folders) {
      std::error_code error;
      if (std::filesystem::is_directory(folder, error)) continue;
      if (!std::filesystem::create_directory(folder, error) || error)
        throw ToolError(folder.string(), 0,
                        "cannot be made: " + (error ? error.message()
                                              : std::filesystem::is_directory(folder, error)
                                                  ? std::string("another raingen-prepare made it meanwhile: prepare a "
                                                                "network once at a time")
                                                  : std::string("a file has its name")));
      folders_made.push_back(folder);
      if (folder == c.dir) lock = FolderLock(c.dir);
    }
    FilesTogether files;
    for (std::size_t s = 0; s < sites.size(); ++s) {
      const Site& site = sites[s];
      const std::filesystem::path folder = c.dir / site.folder;
      stations::PreparedStation prepared =
          stations::prepare_days(days_from(stations::split_days(site_record(site, &made[s]), c.prepare.days), network.first_day,
                                           network.kinds.size()),
                                 network.kinds, site_id, c.prepare,
                                 fmt::format("the network's days at site {} ({})", site.at.name, source_of(site).substr(4)));
      for (const common::FileText& file : stations::station_file_texts(folder, prepared.files)) files.add(file.target, file.text);
      for (std::size_t i = 0; i < 2; ++i)
        for (const common::FileText& file : gauge_files.at(site.near.gauges[i])) files.add(folder / file.target, file.text);
      files.add(folder / common::settings_file_name, settings_texts[s]);

      stations::RunFacts facts = std::move(facts_before[s]);
      stations::SiteStationFacts site_station{.id = site_id, .present = c.present};
      NetworkSite entry{.name = site.at.name, .position = site.at.position, .folder = site.folder};
      for (std::size_t i = 0; i < 3; ++i) {
        const Gauge& g = gauges[site.near.gauges[i]];
        facts.put_station({.id = g.id, .record = stations::record_fact(g.record->path), .reading = g.record->options,
                           .utc_offset = c.utc_offset});
        site_station.gauges.push_back({g.id, site.near.distances[i]});
        entry.gauges.push_back({g.id, site.near.distances[i]});
      }
      facts.put_site_station(site_station);
      std::optional<stations::Coordinates> position;
      if (list.coordinates == CoordinateSystem::degrees) position = stations::Coordinates{site.at.position.a, site.at.position.b};
      facts.site = stations::SiteFacts{
          .name = site.at.name, .position = position, .utc_offset = c.utc_offset, .network = manifest.generation};
      const common::FileText facts_file = stations::run_facts_file(folder, facts);
      files.add(facts_file.target, facts_file.text);
      manifest.sites.push_back(std::move(entry));
      if (!first) {
        prepared.files.days.clear();  // the summary is kept, not the depths
        first = std::move(prepared);
      }
    }
    const common::FileText manifest_file = network_manifest_file(c.dir, manifest);
    files.add(manifest_file.target, manifest_file.text);
    files.commit();
    files_written = files.size();
  } catch (...) {
    std::error_code ignored;
    for (auto folder = folders_made.rbegin(); folder != folders_made.rend(); ++folder) std::filesystem::remove(*folder, ignored);
    throw;
  }

  // The summary.
  const std::string unit = list.coordinates == CoordinateSystem::degrees ? "km" : list.map_unit.empty() ? "map units" : list.map_unit;
  std::string text = fmt::format("network: {} sites from {} ({}, {}), {} gauges, site station {}, --present {}\n",
                                 sites.size(), c.sites_file, list.from == SitesFrom::csv ? "csv" : "SWMM subcatchments",
                                 list.coordinates == CoordinateSystem::degrees ? "degrees" : "planar, " + unit, gauges.size(),
                                 site_id, weighting::presence_name(c.present));
  for (std::size_t g = 0; g < gauges.size(); ++g)
    text += used.count(g) ? fmt::format("  gauge {} at {}: {}\n", gauges[g].id, position_text(list.coordinates, gauges[g].position),
                                        stations::record_read_text(gauges[g].record->path, read_facts.at(g)))
                          : fmt::format("  gauge {} at {}: no site's three nearest, not read\n", gauges[g].id,
                                        position_text(list.coordinates, gauges[g].position));
  std::vector<std::string> warnings;
  for (std::size_t s = 0; s < sites.size(); ++s) {
    const Site& site = sites[s];
    const SiteGauges& n = site.near;
    text += fmt::format("  site {} at {}: folder {}; gauges", site.at.name, position_text(list.coordinates, site.at.position),
                        (c.dir / site.folder).string());
    for (std::size_t i = 0; i < 3; ++i)
      text += fmt::format("{} {} {:.3f} {} (distance {}, weight {:.1f}%)", i == 0 ? "" : ",", gauges[n.gauges[i]].id,
                          n.exact[i], unit, n.distances[i], 100 * n.shares[i]);
    text += fmt::format("; distances in units of {}\n", n.unit);
    if (c.present == weighting::Presence::any) {
      const weighting::RecordsPresent& m = made[s];
      text += fmt::format("    intervals from 3 gauges {}, from 2 {}, from 1 {}, missing {} (--present any)\n", m[3], m[2],
                          m[1], m[0]);
    }
    if (n.at_gauge)
      text += fmt::format("    note: site {} lies at gauge {} ({:.3f} {}): it takes that gauge's record alone\n", site.at.name,
                          gauges[*n.at_gauge].id, n.exact[0], unit);
    if (site.outside_hull)
      warnings.push_back(fmt::format("site {} ({}:{}) lies outside the gauges' convex hull: its record is extrapolated from "
                                     "gauges on one side",
                                     site.at.name, c.sites_file, site.at.line));
  }
  const long wet = std::count(network.kinds.begin(), network.kinds.end(), stations::DayKind::wet);
  const long dry = std::count(network.kinds.begin(), network.kinds.end(), stations::DayKind::dry);
  text += fmt::format("network days: {} to {}, {} days: {} complete at every site, {} wet at some site, {} dry at all; "
                      "every site station holds the {} wet dates in one order, with one spell table\n",
                      calendar::day_text(network.first_day),
                      calendar::day_text(network.first_day + calendar::Days{static_cast<long>(network.kinds.size()) - 1}),
                      network.kinds.size(), wet + dry, wet, dry, wet);
  text += fmt::format("{} of site {} (every site's alike but for its depths):\n", site_id, sites.front().at.name);
  text += stations::station_findings_text(site_id, c.dir / sites.front().folder, c.prepare, first->summary,
                                          first->files.spell_entries.size());
  for (const std::string& warning : warnings) text += "warning: " + warning + "\n";
  text += fmt::format("{}: {} sites, {} gauges; {} files written in {} folders\n", (c.dir / manifest_file_name).string(),
                      sites.size(), manifest.gauges.size(), files_written, sites.size());
  out << text;
}

}  // namespace raingen::network
