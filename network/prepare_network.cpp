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
#include "stations/fragment_gauges.h"
#include "stations/prepare_command.h"
#include "stations/run_facts.h"
#include "stations/season_folders.h"
#include "stations/settings_file.h"
#include "network/in_order.h"
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
      throw common::ToolError(
          folder.string(), 0,
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

constexpr std::size_t files_a_part = 10;

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

using FillerFiles = std::map<std::size_t, std::vector<std::vector<common::FileText>>>;

// The gauges of the command, each with its position and record, in the order of --gauge.
std::vector<Gauge> gauges_of(const NetworkCommand& c) {
  std::vector<Gauge> gauges;
  for (const common::GaugeArgument& g : c.gauges) {
    const auto place =
        std::find_if(c.places.begin(), c.places.end(), [&](const GaugePlace& p) { return p.id == g.id; });
    if (place == c.places.end())
      throw UsageError(fmt::format("--gauge {}: no --station {}@A,B gives its position", g.id, g.id));
    gauges.push_back({stations::StationId::given(g.id, "--gauge"), place->position, &g});
  }
  for (const GaugePlace& p : c.places)
    if (std::none_of(c.gauges.begin(), c.gauges.end(), [&](const common::GaugeArgument& g) { return g.id == p.id; }))
      throw UsageError(fmt::format("--station {}: no --gauge {}=FILE gives its record", p.id, p.id));
  if (gauges.size() < 3)
    throw UsageError(
        fmt::format("a network needs at least three gauges (--gauge ID=FILE with --station ID@A,B): {} "
                    "given",
                    gauges.size()));
  return gauges;
}

// Refuses gauges and sites that cannot share one coordinate system.
void check_one_system(const SiteList& sites, const std::vector<Gauge>& gauges, const std::string& file) {
  if (sites.coordinates == CoordinateSystem::degrees) {
    for (const Gauge& g : gauges)
      if (!degree_like(g.position))
        throw UsageError(
            fmt::format("--station {}@{},{}: out of -90..90, -180..180, and the sites of {} are in degrees: "
                        "give the gauges as LAT,LON",
                        g.id, common::shortest_text(g.position.a), common::shortest_text(g.position.b), file));
    return;
  }
  const bool gauges_look =
      std::all_of(gauges.begin(), gauges.end(), [](const Gauge& g) { return degree_like(g.position); });
  const bool no_gauge_looks =
      std::none_of(gauges.begin(), gauges.end(), [](const Gauge& g) { return degree_like(g.position); });
  const bool sites_look =
      std::all_of(sites.sites.begin(), sites.sites.end(), [](const SiteAt& s) { return degree_like(s.position); });
  const bool no_site_looks =
      std::none_of(sites.sites.begin(), sites.sites.end(), [](const SiteAt& s) { return degree_like(s.position); });
  if ((gauges_look && no_site_looks) || (sites_look && no_gauge_looks))
    throw UsageError(
        fmt::format("the sites of {} are in a planar map unit, but {} positions all lie within -90..90, "
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

namespace fs = std::filesystem;

// What a network's preparation knows before it reads a record: the gauges, the sites with their
// nearest gauges, the seasons, and what each folder held before.
struct NetworkPlan {
  std::vector<Gauge> gauges;
  SiteList list;
  stations::StationId site_id;
  std::vector<Site> sites;
  std::set<std::size_t> used, fillers;  // gauges some site weighs; gauges some site files as a filler
  std::vector<fs::path> folders;        // the network's, each site's, each site's seasons'
  std::optional<stations::Seasons> seasons;
  std::vector<stations::RunFacts> facts_before;
  std::vector<std::string> settings_texts;  // each site's INPUT.TXT

  // The parts of a site's folder files go into: the folder itself, or each season's.
  std::vector<std::optional<stations::Season>> parts() const {
    if (!seasons) return {std::nullopt};
    return {seasons->begin(), seasons->end()};
  }
};

fs::path part_folder(const fs::path& site_folder, const std::optional<stations::Season>& season) {
  return season ? site_folder / season->name() : site_folder;
}

std::string distance_unit_name(const SiteList& list) {
  return list.coordinates == CoordinateSystem::degrees ? "km" : list.map_unit.empty() ? "map units" : list.map_unit;
}

// Each site with its three nearest gauges and its folder. Throws ToolError for a site whose
// distances no unit holds.
void place_sites(const NetworkCommand& c, NetworkPlan& plan) {
  std::vector<Position> gauge_positions;
  for (const Gauge& g : plan.gauges) gauge_positions.push_back(g.position);
  const SiteList& list = plan.list;
  for (const SiteAt& at : list.sites) {
    Site site{at, site_gauges(list.coordinates, list.map_unit, at.position, gauge_positions), at.name, false};
    const SiteGauges& n = site.near;
    const std::vector<Gauge>& g = plan.gauges;
    if (n.unit.empty())
      throw ToolError(c.sites_file, at.line,
                      fmt::format("site {}: no unit holds the distances of its gauges {} {}, {} {} and {} {} ({}) as "
                                  "whole numbers of 3 digits and keeps their weights within 1 point",
                                  at.name, g[n.gauges[0]].id, common::shortest_text(n.exact[0]), g[n.gauges[1]].id,
                                  common::shortest_text(n.exact[1]), g[n.gauges[2]].id,
                                  common::shortest_text(n.exact[2]), distance_unit_name(list)));
    site.outside_hull = !n.at_gauge && !inside_hull(gauge_positions, at.position);
    for (std::size_t i = 0; i < 3; ++i) plan.used.insert(n.gauges[i]);
    plan.fillers.insert(n.gauges[0]);
    plan.fillers.insert(n.gauges[1]);
    plan.sites.push_back(std::move(site));
  }
}

// The seasons every site's folder is prepared in: those given, which must be those a folder's
// RAINGEN.TXT lists if it lists any; else the folders' own, which must be alike.
std::optional<stations::Seasons> network_seasons(const NetworkCommand& c, const NetworkPlan& plan) {
  std::optional<stations::Seasons> seasons;
  for (std::size_t s = 0; s < plan.sites.size(); ++s) {
    const std::string facts_file = (c.dir / plan.sites[s].folder / stations::run_facts_file_name).string();
    const std::optional<stations::Seasons> own = stations::seasons_of_use(c.seasons, plan.facts_before[s], facts_file);
    if (s > 0 && own != seasons)
      throw ToolError(
          facts_file, own ? plan.facts_before[s].seasons->line : 0,
          fmt::format("site {}'s folder is prepared in {} where site {}'s is in {}: the sites of a network "
                      "share their seasons (give --seasons, or prepare the network into a new folder)",
                      plan.sites[s].at.name, own ? stations::season_names(*own) : "no seasons",
                      plan.sites.front().at.name, seasons ? stations::season_names(*seasons) : "no seasons"));
    seasons = own;
  }
  return seasons;
}

// Every folder and file the preparation writes, checked before a record is read.
void check_targets(const NetworkCommand& c, NetworkPlan& plan) {
  plan.folders = {c.dir};
  for (const Site& site : plan.sites) plan.folders.push_back(c.dir / site.folder);
  for (const Site& site : plan.sites) {
    plan.facts_before.push_back(stations::read_run_facts(c.dir / site.folder));
  }
  plan.seasons = network_seasons(c, plan);
  std::vector<fs::path> targets{c.dir / manifest_file_name};
  for (const Site& site : plan.sites) {
    const fs::path folder = c.dir / site.folder;
    targets.push_back(folder / stations::run_facts_file_name);
    for (const std::optional<stations::Season>& season : plan.parts()) {
      const fs::path part = part_folder(folder, season);
      if (season) plan.folders.push_back(part);
      targets.push_back(part / common::settings_file_name);
      for (const stations::StationId& id :
           {plan.site_id, plan.gauges[site.near.gauges[0]].id, plan.gauges[site.near.gauges[1]].id})
        for (const std::string& name : id.file_names()) targets.push_back(part / name);
    }
  }
  for (const fs::path& folder : plan.folders) common::check_output_folder(folder);
  for (const fs::path& target : targets) common::check_future_output(target);
  check_no_input_replaced(targets, c);
}

// Everything known before a record is read, checked.
NetworkPlan plan_network(const NetworkCommand& c) {
  NetworkPlan plan;
  plan.gauges = gauges_of(c);
  plan.list = read_sites(c.sites_file);
  check_one_system(plan.list, plan.gauges, c.sites_file);
  plan.site_id = site_station_id(plan.gauges);
  place_sites(c, plan);
  check_targets(c, plan);
  for (const Site& site : plan.sites) {
    stations::Settings settings;
    settings.results_name = c.results_name;
    settings.site_name = site_input_name(site.at.name);
    settings.day_count = c.day_count;
    settings.stations = {stations::StationSetting{plan.site_id, 0},
                         stations::StationSetting{plan.gauges[site.near.gauges[0]].id, site.near.distances[0]},
                         stations::StationSetting{plan.gauges[site.near.gauges[1]].id, site.near.distances[1]}};
    plan.settings_texts.push_back(stations::settings_text(settings));
  }
  return plan;
}

// The records of the gauges some site uses, each read once, and the network's days.
class NetworkRecords {
 public:
  NetworkRecords(const NetworkCommand& c, const NetworkPlan& plan) : c_(c), plan_(plan) {
    for (std::size_t g : plan.used) {
      const common::GaugeArgument& record = *plan.gauges[g].record;
      gauge::ReadOptions read = gauge::gauge_read_options(record.id, record.options);
      read.depth_limit = common::depth_limit_mm;
      read.fragments = c.prepare.fragments;
      records_[g] = gauge::read_gauge(record.path, read, &read_facts_[g]);
    }
    std::vector<DayKinds> site_kinds(plan.sites.size());
    in_order(
        plan.sites.size(), c.jobs,
        [&](std::size_t s) { return kinds_of(site_record(plan.sites[s], nullptr), c.prepare.days); },
        [&](std::size_t s, DayKinds kinds) { site_kinds[s] = std::move(kinds); });
    network_ = network_kinds(site_kinds);
    if (network_.kinds.empty())
      throw ToolError(c.sites_file, 0,
                      "the sites' weighted records have no day in common: the gauges' records do not overlap");
    if (c.prepare.change)  // the same dates turn at every site
      turned_ = stations::wet_day_change(network_.kinds, network_.first_day, c.prepare.change->wet_days_percent,
                                         "the network's days");
  }

  const gauge::CalendarSeries& record(std::size_t g) const { return records_.at(g); }
  const gauge::ReadFacts& read_facts(std::size_t g) const { return read_facts_.at(g); }
  // The lines of RAINGEN.TXT that say how gauge g's record was made 15-minute, if it was coarse.
  stations::FactLines fragment_facts(std::size_t g) const {
    return stations::fragment_facts(c_.prepare.fragments, read_facts_.at(g));
  }
  const DayKinds& network() const { return network_; }

  std::string source_of(const Site& site) const {
    const std::vector<Gauge>& g = plan_.gauges;
    return fmt::format("the weighted record of site {} ({}, {} and {})", site.at.name, g[site.near.gauges[0]].id,
                       g[site.near.gauges[1]].id, g[site.near.gauges[2]].id);
  }

  // The site's weighted record, made again when it is needed: a network of many sites never holds
  // more than one at a time.
  gauge::CalendarSeries site_record(const Site& site, weighting::RecordsPresent* made) const {
    std::array<const gauge::CalendarSeries*, 3> used_records{};
    for (std::size_t i = 0; i < 3; ++i) used_records[i] = &records_.at(site.near.gauges[i]);
    gauge::CalendarSeries record =
        weighting::weighted_record(plan_.site_id.text(), used_records, site.near.distances, c_.present, made);
    if (record.empty()) throw ToolError(source_of(site), 0, "is empty: the records it uses have no interval in common");
    return record;
  }

  // The site station on the network's days, whole or season by season (parts of the plan).
  std::vector<stations::PreparedStation> site_station(const Site& site, weighting::RecordsPresent* made) const {
    stations::RecordDays days = days_from(stations::split_days(site_record(site, made), c_.prepare.days),
                                          network_.first_day, network_.kinds.size());
    days.kinds = network_.kinds;  // every site on the network's dates, in every season too
    const std::string source =
        fmt::format("the network's days at site {} ({})", site.at.name, source_of(site).substr(4));
    std::optional<stations::ChangeResult> change;
    if (c_.prepare.change) change = stations::change_days(days, *c_.prepare.change, source, &turned_);
    std::vector<stations::PreparedStation> prepared;
    try {
      for (const std::optional<stations::Season>& season : plan_.parts()) {
        prepared.push_back(stations::prepare_days(days, season ? stations::kinds_in_season(days, *season) : days.kinds,
                                                  plan_.site_id, c_.prepare, source, season));
        prepared.back().summary.change = change;
      }
    } catch (const ToolError& thin) {
      throw stations::thinned_by_change(thin, c_.prepare, change);
    }
    return prepared;
  }

 private:
  const NetworkCommand& c_;
  const NetworkPlan& plan_;
  std::map<std::size_t, gauge::CalendarSeries> records_;
  std::map<std::size_t, gauge::ReadFacts> read_facts_;
  DayKinds network_;
  stations::WetDayChange turned_;  // the wet-day change of --change on the network's days
};

// Each filler gauge's files, part by part, prepared once: they go into every folder that uses it.
FillerFiles filler_files(const NetworkCommand& c, const NetworkPlan& plan, const NetworkRecords& records) {
  FillerFiles files;
  for (std::size_t g : plan.fillers) {
    const Gauge& gauge = plan.gauges[g];
    std::vector<stations::PreparedStation> prepared;
    if (plan.seasons)
      prepared =
          stations::prepare_in_seasons(records.record(g), gauge.id, c.prepare, gauge.record->path, *plan.seasons);
    else
      prepared.push_back(stations::prepare_station(records.record(g), gauge.id, c.prepare, gauge.record->path));
    for (const stations::PreparedStation& part : prepared)
      files[g].push_back(stations::station_file_texts({}, part.files));
  }
  return files;
}

// What the writing found, for the summary.
struct Written {
  std::vector<stations::PreparedStation> first;  // the first site's station, its summaries kept
  std::vector<weighting::RecordsPresent> made;   // each site's intervals by gauges present
  std::size_t files = 0;
  // Each filler file (gauge, part, file) as first written: the later sites' are links to it.
  std::map<std::array<std::size_t, 3>, std::size_t> fillers_written;
  NetworkManifest manifest;
};

// The folders missing made (the network's locked when it is made); those made are listed.
void make_folders(const NetworkCommand& c, const NetworkPlan& plan, FolderLock& lock, std::vector<fs::path>& made) {
  for (const fs::path& folder : plan.folders) {
    std::error_code error;
    if (fs::is_directory(folder, error)) continue;
    if (!fs::create_directory(folder, error) || error)
      throw ToolError(folder.string(), 0,
                      "cannot be made: " + (error ? error.message()
                                            : fs::is_directory(folder, error)
                                                ? std::string("another raingen-prepare made it meanwhile: prepare a "
                                                              "network once at a time")
                                                : std::string("a file has its name")));
    made.push_back(folder);
    if (folder == c.dir) lock = FolderLock(c.dir);
  }
}

// A file of a site's part: into the season's folder with its checksum in the site's facts, or
// into the site's folder; the same file as the one of index *same when given (a filler's), the
// index of the one written otherwise.
void add_part_file(FilesTogether& files, stations::RunFacts& facts, const NetworkPlan& plan, const fs::path& folder,
                   const std::optional<stations::Season>& season, const std::string& name, std::string text,
                   std::optional<std::size_t>* same = nullptr) {
  common::FileText file{folder / name, std::move(text)};
  if (season) file = stations::season_file(facts, *plan.seasons, folder, *season, name, std::move(file.text));
  if (same && *same) {
    files.add_same(file.target, **same, file.text);
    return;
  }
  const std::size_t index = files.add(file.target, file.text);
  if (same) *same = index;
}

// The facts of site s's folder: its gauges, its site station, its site and the network's stamp.
stations::RunFacts site_facts(const NetworkCommand& c, const NetworkPlan& plan, std::size_t s,
                              const std::string& generation, stations::FactLines change,
                              const std::array<stations::FactLines, 3>& gauge_facts) {
  const Site& site = plan.sites[s];
  stations::RunFacts facts = plan.facts_before[s];
  stations::SiteStationFacts site_station{.id = plan.site_id, .present = c.present, .other = std::move(change)};
  for (std::size_t i = 0; i < 3; ++i) {
    const Gauge& g = plan.gauges[site.near.gauges[i]];
    facts.put_station({.id = g.id,
                       .record = stations::record_fact(g.record->path),
                       .reading = g.record->options,
                       .utc_offset = c.utc_offset,
                       .other = gauge_facts[i]});
    site_station.gauges.push_back({g.id, site.near.distances[i]});
  }
  facts.put_site_station(site_station);
  std::optional<stations::Coordinates> position;
  if (plan.list.coordinates == CoordinateSystem::degrees)
    position = stations::Coordinates{site.at.position.a, site.at.position.b};
  facts.site = stations::SiteFacts{
      .name = site.at.name, .position = position, .utc_offset = c.utc_offset, .network = generation};
  return facts;
}

// What site s's own files are made of, made apart from the writing (on any thread): its site
// station part by part, the texts of each part's files, and its intervals by gauges present.
struct SiteWork {
  std::vector<stations::PreparedStation> prepared;
  std::vector<std::vector<common::FileText>> texts;
  weighting::RecordsPresent made{};
  std::array<stations::FactLines, 3> gauge_facts{};  // of its three gauges' records, in RAINGEN.TXT
};

SiteWork site_work(const NetworkPlan& plan, const NetworkRecords& records, std::size_t s) {
  SiteWork work;
  work.prepared = records.site_station(plan.sites[s], &work.made);
  for (std::size_t i = 0; i < 3; ++i) work.gauge_facts[i] = records.fragment_facts(plan.sites[s].near.gauges[i]);
  for (const stations::PreparedStation& part : work.prepared)
    work.texts.push_back(stations::station_file_texts({}, part.files));
  return work;
}

// Site s's files written aside: part by part its station, its fillers' and INPUT.TXT, then
// RAINGEN.TXT. Returns its site station.
std::vector<stations::PreparedStation> write_site(const NetworkCommand& c, const NetworkPlan& plan,
                                                  const FillerFiles& fillers, std::size_t s, SiteWork work,
                                                  Written& written, FilesTogether& files) {
  const Site& site = plan.sites[s];
  const fs::path folder = c.dir / site.folder;
  written.made[s] = work.made;
  stations::RunFacts facts =
      site_facts(c, plan, s, written.manifest.generation,
                 stations::change_facts(c.prepare, work.prepared.front().summary), work.gauge_facts);
  const std::vector<std::optional<stations::Season>> parts = plan.parts();
  for (std::size_t p = 0; p < parts.size(); ++p) {
    for (common::FileText& file : work.texts[p])
      add_part_file(files, facts, plan, folder, parts[p], file.target.string(), std::move(file.text));
    for (std::size_t i = 0; i < 2; ++i) {
      const std::vector<common::FileText>& filler = fillers.at(site.near.gauges[i])[p];
      for (std::size_t f = 0; f < filler.size(); ++f) {
        std::optional<std::size_t> same;
        const std::array<std::size_t, 3> key{site.near.gauges[i], p, f};
        if (const auto written_before = written.fillers_written.find(key);
            written_before != written.fillers_written.end())
          same = written_before->second;
        add_part_file(files, facts, plan, folder, parts[p], filler[f].target.string(), filler[f].text, &same);
        written.fillers_written[key] = *same;
      }
    }
    add_part_file(files, facts, plan, folder, parts[p], std::string(common::settings_file_name),
                  plan.settings_texts[s]);
  }
  const common::FileText facts_file = stations::run_facts_file(folder, facts);
  files.add(facts_file.target, facts_file.text);
  NetworkSite entry{.name = site.at.name, .position = site.at.position, .folder = site.folder};
  for (std::size_t i = 0; i < 3; ++i)
    entry.gauges.push_back({plan.gauges[site.near.gauges[i]].id, site.near.distances[i]});
  written.manifest.sites.push_back(std::move(entry));
  return std::move(work.prepared);
}

NetworkManifest manifest_of(const NetworkCommand& c, const NetworkPlan& plan) {
  NetworkManifest manifest{.coordinates = plan.list.coordinates,
                           .map_unit = plan.list.map_unit,
                           .present = c.present,
                           .station = plan.site_id,
                           .sites_file = fs::absolute(c.sites_file).lexically_normal().string(),
                           .sites_from = plan.list.from,
                           .generation = new_generation(),
                           .gauges = {},
                           .sites = {}};
  for (std::size_t g : plan.used)
    manifest.gauges.push_back(
        {plan.gauges[g].id, plan.gauges[g].position, stations::record_fact(plan.gauges[g].record->path)});
  return manifest;
}

// Site by site (--jobs sites made at a time, written in order): its files are written aside as
// soon as they are made, and all are put in place together at the end, so that neither the
// weighted records nor the files' texts of all sites are held at once. The folders made are
// removed again on a failure.
Written write_network(const NetworkCommand& c, const NetworkPlan& plan, const NetworkRecords& records,
                      FolderLock& lock) {
  const FillerFiles fillers = filler_files(c, plan, records);
  Written written;
  written.made.resize(plan.sites.size());
  written.manifest = manifest_of(c, plan);
  std::vector<fs::path> folders_made;
  try {
    make_folders(c, plan, lock, folders_made);
    FilesTogether files;
    in_order(
        plan.sites.size(), c.jobs, [&](std::size_t s) { return site_work(plan, records, s); },
        [&](std::size_t s, SiteWork work) {
          std::vector<stations::PreparedStation> prepared =
              write_site(c, plan, fillers, s, std::move(work), written, files);
          if (s == 0) {
            for (stations::PreparedStation& part : prepared)
              part.files.days.clear();  // the summary is kept, not the depths
            written.first = std::move(prepared);
          }
        });
    const common::FileText manifest_file = network_manifest_file(c.dir, written.manifest);
    files.add(manifest_file.target, manifest_file.text);
    files.commit();
    written.files = files.size();
  } catch (...) {
    std::error_code ignored;
    for (auto folder = folders_made.rbegin(); folder != folders_made.rend(); ++folder) fs::remove(*folder, ignored);
    throw;
  }
  return written;
}

// The summary's lines of the gauges and of each site, and the warnings for sites outside the hull.
std::string sites_text(const NetworkCommand& c, const NetworkPlan& plan, const NetworkRecords& records,
                       const Written& written, std::vector<std::string>& warnings) {
  const CoordinateSystem system = plan.list.coordinates;
  const std::string unit = distance_unit_name(plan.list);
  std::string text;
  for (std::size_t g = 0; g < plan.gauges.size(); ++g)
    text +=
        plan.used.count(g)
            ? fmt::format("  gauge {} at {}: {}\n", plan.gauges[g].id, position_text(system, plan.gauges[g].position),
                          stations::record_read_text(plan.gauges[g].record->path, records.read_facts(g)))
            : fmt::format("  gauge {} at {}: no site's three nearest, not read\n", plan.gauges[g].id,
                          position_text(system, plan.gauges[g].position));
  for (std::size_t s = 0; s < plan.sites.size(); ++s) {
    const Site& site = plan.sites[s];
    const SiteGauges& n = site.near;
    text += fmt::format("  site {} at {}: folder {}; gauges", site.at.name, position_text(system, site.at.position),
                        (c.dir / site.folder).string());
    for (std::size_t i = 0; i < 3; ++i)
      text += fmt::format("{} {} {:.3f} {} (distance {}, weight {:.1f}%)", i == 0 ? "" : ",",
                          plan.gauges[n.gauges[i]].id, n.exact[i], unit, n.distances[i], 100 * n.shares[i]);
    text += fmt::format("; distances in units of {}\n", n.unit);
    if (c.present == weighting::Presence::any) {
      const weighting::RecordsPresent& m = written.made[s];
      text += fmt::format("    intervals from 3 gauges {}, from 2 {}, from 1 {}, missing {} (--present any)\n", m[3],
                          m[2], m[1], m[0]);
    }
    if (n.at_gauge)
      text += fmt::format("    note: site {} lies at gauge {} ({:.3f} {}): it takes that gauge's record alone\n",
                          site.at.name, plan.gauges[*n.at_gauge].id, n.exact[0], unit);
    if (site.outside_hull)
      warnings.push_back(
          fmt::format("site {} ({}:{}) lies outside the gauges' convex hull: its record is extrapolated from "
                      "gauges on one side",
                      site.at.name, c.sites_file, site.at.line));
  }
  return text;
}

// The network's days and the first site's station, season by season when there are seasons.
std::string days_text(const NetworkCommand& c, const NetworkPlan& plan, const DayKinds& network,
                      const Written& written) {
  const long wet = std::count(network.kinds.begin(), network.kinds.end(), stations::DayKind::wet);
  const long dry = std::count(network.kinds.begin(), network.kinds.end(), stations::DayKind::dry);
  std::string text = fmt::format(
      "network days: {} to {}, {} days: {} complete at every site, {} wet at some site, {} dry at all; "
      "{}\n",
      calendar::day_text(network.first_day),
      calendar::day_text(network.first_day + calendar::Days{static_cast<long>(network.kinds.size()) - 1}),
      network.kinds.size(), wet + dry, wet, dry,
      plan.seasons ? fmt::format("in each season every site station holds that season's wet dates in one order, with "
                                 "one spell table")
                   : fmt::format("every site station holds the {} wet dates in one order, with one spell table", wet));
  const stations::StationId& id = plan.site_id;
  const fs::path folder = c.dir / plan.sites.front().folder;
  text += fmt::format("{} of site {} (every site's alike but for its depths):\n", id, plan.sites.front().at.name);
  text += plan.seasons ? stations::season_findings_text(id, folder, c.prepare, *plan.seasons, written.first)
                       : stations::station_findings_text(id, folder, c.prepare, written.first.front().summary,
                                                         written.first.front().files.spell_entries.size());
  return text;
}

std::string summary_text(const NetworkCommand& c, const NetworkPlan& plan, const NetworkRecords& records,
                         const Written& written) {
  const SiteList& list = plan.list;
  std::string text =
      fmt::format("network: {} sites from {} ({}, {}), {} gauges, site station {}, --present {}\n", plan.sites.size(),
                  c.sites_file, list.from == SitesFrom::csv ? "csv" : "SWMM subcatchments",
                  list.coordinates == CoordinateSystem::degrees ? "degrees" : "planar, " + distance_unit_name(list),
                  plan.gauges.size(), plan.site_id, weighting::presence_name(c.present));
  std::vector<std::string> warnings;
  text += sites_text(c, plan, records, written, warnings);
  text += days_text(c, plan, records.network(), written);
  for (const std::string& warning : warnings) text += "warning: " + warning + "\n";
  text += fmt::format("{}: {} sites, {} gauges; {} files written in {} folders\n",
                      (c.dir / manifest_file_name).string(), plan.sites.size(), written.manifest.gauges.size(),
                      written.files, plan.sites.size() * (plan.seasons ? plan.seasons->size() + 1 : 1));
  return text;
}

}  // namespace

void run_network_command(const NetworkCommand& c, std::ostream& out) {
  // One preparation of a network folder at a time: two would put their files in place over each
  // other's (a folder made here is locked when it is made).
  FolderLock lock(c.dir);
  const NetworkPlan plan = plan_network(c);
  // Room for every file written together (per part of a site: its station's three, its two
  // fillers' six and INPUT.TXT; per site RAINGEN.TXT; and NETWORK.TXT), before a record is read.
  make_room_for(plan.sites.size() * (files_a_part * plan.parts().size() + 1) + 1, c.dir / manifest_file_name);
  const NetworkRecords records(c, plan);
  const Written written = write_network(c, plan, records, lock);
  out << summary_text(c, plan, records, written);
}

}  // namespace raingen::network
