#include "stations/weighted_site.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/read_gauge.h"
#include "stations/fragment_gauges.h"
#include "stations/prepare_command.h"
#include "stations/run_facts.h"
#include "stations/season_folders.h"
#include "weighting/weighted_record.h"

namespace raingen::stations {

namespace {

using common::ToolError;
using common::UsageError;

// The record of each place, in the places' order.
std::array<const common::GaugeArgument*, 3> records_of_places(const WeightedSiteCommand& c) {
  if (c.places.size() != 3)
    throw UsageError(fmt::format("the weighted site needs three stations: --station given {} times", c.places.size()));
  std::array<const common::GaugeArgument*, 3> found{};
  for (std::size_t i = 0; i < 3; ++i) {
    for (const common::GaugeArgument& g : c.gauges)
      if (g.id == c.places[i].id) found[i] = &g;
    if (!found[i]) throw UsageError(fmt::format("--station {}: no --gauge gives its record", c.places[i].id));
    if (c.places[i].id == c.id.text())
      throw UsageError(fmt::format("--weighted-site {}: the site station needs an ID of its own, not a gauge's", c.id));
  }
  for (const common::GaugeArgument& g : c.gauges)
    if (std::none_of(found.begin(), found.end(), [&](const common::GaugeArgument* f) { return f == &g; }))
      throw UsageError(fmt::format("--gauge {}: no --station places it (give the three stations once each)", g.id));
  return found;
}

// No file written may replace a record read.
void check_no_record_replaced(const std::vector<common::FileText>& files,
                              const std::array<const common::GaugeArgument*, 3>& gauges) {
  std::error_code ignored;
  for (const common::FileText& file : files)
    for (const common::GaugeArgument* g : gauges)
      if (g->path != "-" && std::filesystem::equivalent(file.target, g->path, ignored))
        throw UsageError(fmt::format("{} would replace the record of {}", file.target.string(), g->id));
}

std::string weighting_text(const std::array<StationId, 3>& ids, const std::array<int, 3>& distances,
                           weighting::Presence present, const weighting::RecordsPresent& made) {
  const std::vector<int> used = weighting::stations_weighted(distances);
  if (used.size() == 1)
    return fmt::format("the record of {} alone (at distance 0, the weighting takes it alone)",
                       ids[static_cast<std::size_t>(used[0])]);
  const std::array<double, 3> shares = weighting::station_shares(distances);
  std::string text = fmt::format(
      "the records of {}, {} and {} weighted as the program weights station series (distances "
      "{}, {}, {}: shares {:.1f}%, {:.1f}%, {:.1f}%), ",
      ids[0], ids[1], ids[2], distances[0], distances[1], distances[2], 100 * shares[0], 100 * shares[1],
      100 * shares[2]);
  if (present == weighting::Presence::all) return text + "present where all three are";
  const long made_present = made[1] + made[2] + made[3];
  const auto share = [&](long n) {
    return made_present == 0 ? 0.0 : 100.0 * static_cast<double>(n) / static_cast<double>(made_present);
  };
  return text + fmt::format(
                    "present where any is, from the weights of the gauges present (--present any): of {} "
                    "intervals present, {} ({:.1f}%) from 3 gauges, {} ({:.1f}%) from 2, {} ({:.1f}%) from 1; {} "
                    "with none are missing",
                    made_present, made[3], share(made[3]), made[2], share(made[2]), made[1], share(made[1]), made[0]);
}

// Every target checked before any record is read: INPUT.TXT and the stations' files, in the
// folder or in each season's.
void check_targets(const WeightedSiteCommand& c, const PlacedStations& placed, const std::optional<Seasons>& seasons) {
  std::vector<std::filesystem::path> folders{c.dir};
  if (seasons) {
    folders.clear();
    for (const Season& season : *seasons) folders.push_back(c.dir / season.name());
  }
  for (const std::filesystem::path& folder : folders) {
    common::check_future_output(folder / common::settings_file_name);
    for (const StationId& id : {c.id, placed.stations[0].id, placed.stations[1].id})
      for (const std::string& name : id.file_names()) common::check_future_output(folder / name);
  }
}

// The three gauges' records as read, and the site's weighted record made of them.
struct SiteRecords {
  std::array<gauge::ReadFacts, 3> facts;
  std::array<gauge::CalendarSeries, 3> records;
  std::array<StationId, 3> ids;
  std::array<int, 3> distances{};
  std::string source;
  weighting::RecordsPresent made{};
  gauge::CalendarSeries site;
};

// The reading options of each gauge, checked.
std::array<gauge::ReadOptions, 3> read_options(const std::array<const common::GaugeArgument*, 3>& gauges,
                                               const gauge::FragmentSource* fragments) {
  std::array<gauge::ReadOptions, 3> read;
  for (std::size_t i = 0; i < 3; ++i) {
    read[i] = gauge::gauge_read_options(gauges[i]->id, gauges[i]->options);
    read[i].depth_limit = common::depth_limit_mm;
    read[i].fragments = fragments;
  }
  return read;
}

SiteRecords read_site_records(const WeightedSiteCommand& c, const std::array<const common::GaugeArgument*, 3>& gauges,
                              const std::array<gauge::ReadOptions, 3>& read, const PlacedStations& placed) {
  SiteRecords r;
  for (std::size_t i = 0; i < 3; ++i) {
    r.records[i] = gauge::read_gauge(gauges[i]->path, read[i], &r.facts[i]);
    r.ids[i] = placed.stations[i].id;
    r.distances[i] = placed.stations[i].distance;
  }
  r.source = fmt::format("the weighted record of {}, {} and {}", r.ids[0], r.ids[1], r.ids[2]);
  r.site = weighting::weighted_record(c.id.text(), {&r.records[0], &r.records[1], &r.records[2]}, r.distances,
                                      c.present, &r.made);
  if (r.site.empty()) throw ToolError(r.source, 0, "is empty: the records it uses have no interval in common");
  return r;
}

// The files written: INPUT.TXT and the stations' (the site station, then the first two gauges;
// each whole, or one per season); RAINGEN.TXT last. Records the facts in run_facts.
std::vector<common::FileText> site_files(const WeightedSiteCommand& c, const std::optional<Seasons>& seasons,
                                         const std::string& settings_file_text,
                                         const std::array<std::vector<PreparedStation>, 3>& prepared,
                                         RunFacts& run_facts) {
  std::vector<common::FileText> files;
  if (seasons) {
    for (std::size_t s = 0; s < seasons->size(); ++s) {
      const Season& season = (*seasons)[s];
      files.push_back(
          season_file(run_facts, *seasons, c.dir, season, std::string(common::settings_file_name), settings_file_text));
      for (std::size_t i = 0; i < 3; ++i)
        for (common::FileText& file : station_file_texts({}, prepared[i][s].files))
          files.push_back(season_file(run_facts, *seasons, c.dir, season, file.target.string(), std::move(file.text)));
    }
  } else {
    files.push_back({c.dir / common::settings_file_name, settings_file_text});
    for (std::size_t i = 0; i < 3; ++i)
      for (common::FileText& file : station_file_texts(c.dir, prepared[i].front().files))
        files.push_back(std::move(file));
  }
  return files;
}

// What the summary says of the files written and the facts kept.
std::string written_text(const WeightedSiteCommand& c, const std::optional<Seasons>& seasons, const Settings& settings,
                         const SiteRecords& r, const RunFacts& run_facts, std::size_t written_to_seasons) {
  std::string text;
  if (seasons)
    text += fmt::format("{} and that of every other season's folder: results {}, site {}, {} days\n",
                        (c.dir / seasons->front().name() / common::settings_file_name).string(), settings.results_name,
                        settings.site_name, settings.day_count);
  else
    text += fmt::format("{}: results {}, site {}, {} days\n", (c.dir / common::settings_file_name).string(),
                        settings.results_name, settings.site_name, settings.day_count);
  for (std::size_t i = 0; i < 3; ++i)
    text += fmt::format("  station {}  {:<4}  distance {:>3}\n", i + 1, settings.stations[i].id,
                        settings.stations[i].distance);
  text += fmt::format(
      "  station {} is at the site (distance 0): the program copies its series unchanged; {} and {} are "
      "read but the site takes nothing from them\n",
      c.id, r.ids[0], r.ids[1]);
  text += site_facts_text(c.dir, *run_facts.site);
  text += fmt::format(
      "  [site-station {}] present {}, gauges {} {}, {} {}, {} {}; [station] of each gauge with its "
      "record's path and reading options, {}\n",
      c.id, weighting::presence_name(run_facts.site_station->present), r.ids[0], r.distances[0], r.ids[1],
      r.distances[1], r.ids[2], r.distances[2], c.utc_offset ? "clock UTC" + c.utc_offset->text() : "clock not stated");
  if (seasons) text += "  " + seasons_facts_text(*run_facts.seasons, written_to_seasons) + "\n";
  return text;
}

// The three stations prepared, whole or season by season: the site station from the site record,
// stations 2 and 3 from their gauges' records.
struct ThreeStations {
  std::array<std::vector<PreparedStation>, 3> prepared;
  std::array<StandIn, 3> stand_ins;
};

// The two gauges beside the site station only fill the places of stations 2 and 3: the site
// station at distance 0 alone makes the series. Where one of them is too thin (in a season, or in
// all) it takes the site record's days there, and only the site record's own thinness is refused.
ThreeStations prepare_three(const WeightedSiteCommand& c, const std::array<const common::GaugeArgument*, 3>& gauges,
                            const SiteRecords& r, const std::optional<Seasons>& seasons) {
  const std::array<const gauge::CalendarSeries*, 3> series{&r.site, &r.records[0], &r.records[1]};
  const std::array<StationId, 3> written{c.id, r.ids[0], r.ids[1]};
  const std::array<std::string, 3> sources{r.source, gauges[0]->path, gauges[1]->path};
  ThreeStations three{{}, {StandIn{}, StandIn{&r.site, r.source, {}}, StandIn{&r.site, r.source, {}}}};
  PrepareOptions filler = c.prepare;  // stations 2 and 3 only fill places: no pool of theirs is widened
  filler.tail = nullptr;
  for (std::size_t i = 0; i < 3; ++i) {
    if (seasons) {
      three.prepared[i] =
          prepare_in_seasons(*series[i], written[i], c.prepare, sources[i], *seasons, &three.stand_ins[i]);
      continue;
    }
    try {
      three.prepared[i] = {prepare_station(*series[i], written[i], i == 0 ? c.prepare : filler, sources[i])};
    } catch (const common::ToolError& thin) {
      if (!three.stand_ins[i].series) throw;
      three.prepared[i] = {prepare_station(r.site, written[i], filler, r.source)};
      three.stand_ins[i].notes.push_back(stand_in_note(thin));
    }
  }
  return three;
}

}  // namespace

void run_weighted_site_command(const WeightedSiteCommand& c, std::ostream& out) {
  const std::array<const common::GaugeArgument*, 3> gauges = records_of_places(c);
  const PlacedStations placed = place_stations(c.places, c.site_at);
  Settings settings = c.settings;
  settings.stations = {StationSetting{c.id, 0}, placed.stations[0], placed.stations[1]};
  const std::string settings_file_text = settings_text(settings);  // checks them
  const std::array<gauge::ReadOptions, 3> read = read_options(gauges, c.prepare.fragments);

  check_no_record_replaced({run_facts_file(c.dir, {})}, gauges);
  common::check_future_output(c.dir / run_facts_file_name);  // before it is read: a FIFO there would be waited on
  RunFacts run_facts = read_run_facts(c.dir);                // a malformed file stops the run before any record is read
  const std::optional<Seasons> seasons = seasons_of_use(c.seasons, run_facts, (c.dir / run_facts_file_name).string());
  check_targets(c, placed, seasons);
  const SiteRecords r = read_site_records(c, gauges, read, placed);

  const std::array<StationId, 3> written{c.id, r.ids[0], r.ids[1]};
  ThreeStations three = prepare_three(c, gauges, r, seasons);
  const std::array<std::vector<PreparedStation>, 3>& prepared = three.prepared;

  SiteStationFacts site_facts{
      .id = c.id, .present = c.present, .other = change_facts(c.prepare, prepared[0].front().summary)};
  for (std::size_t i = 0; i < 3; ++i) {
    run_facts.put_station({.id = r.ids[i],
                           .record = record_fact(gauges[i]->path),
                           .reading = gauges[i]->options,
                           .utc_offset = c.utc_offset,
                           .other = fragment_facts(c.prepare.fragments, r.facts[i])});
    site_facts.gauges.push_back({r.ids[i], r.distances[i]});
  }
  run_facts.put_site_station(site_facts);
  run_facts.site = SiteFacts{.name = settings.site_name, .position = c.site_at, .utc_offset = c.utc_offset};
  std::vector<common::FileText> files = site_files(c, seasons, settings_file_text, prepared, run_facts);
  const std::size_t written_to_seasons = files.size();
  files.push_back(run_facts_file(c.dir, run_facts));
  check_no_record_replaced(files, gauges);
  if (seasons)
    write_with_season_folders(files, c.dir, *seasons);
  else
    common::write_together(files);

  const auto findings = [&](std::size_t i) {
    if (seasons) return season_findings_text(written[i], c.dir, c.prepare, *seasons, prepared[i]);
    const PreparedStation& p = prepared[i].front();
    return station_findings_text(written[i], c.dir, c.prepare, p.summary, p.files.spell_entries.size());
  };
  std::string text = fmt::format("{}: {}\n", c.id, weighting_text(r.ids, r.distances, c.present, r.made));
  for (std::size_t i = 0; i < 3; ++i)
    text += fmt::format("  {}: {}\n", r.ids[i], record_read_text(gauges[i]->path, r.facts[i]));
  for (const std::string& note : placed.notes) text += "  " + note + "\n";
  text += findings(0);
  for (std::size_t i = 0; i < 2; ++i) {
    text += fmt::format("{}: {}\n", r.ids[i], record_read_text(gauges[i]->path, r.facts[i])) + findings(i + 1);
    for (const std::string& note : three.stand_ins[i + 1].notes)
      text += fmt::format(
          "  {}\n    its files there hold the site record's days instead (the site station alone makes the "
          "series)\n",
          note);
  }
  out << text << written_text(c, seasons, settings, r, run_facts, written_to_seasons);
}

}  // namespace raingen::stations
