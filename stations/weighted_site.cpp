#include "stations/weighted_site.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/read_gauge.h"
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
void check_no_record_replaced(const std::vector<common::FileText>& files, const std::array<const common::GaugeArgument*, 3>& gauges) {
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
    return fmt::format("the record of {} alone (at distance 0, the weighting takes it alone)", ids[static_cast<std::size_t>(used[0])]);
  const std::array<double, 3> shares = weighting::station_shares(distances);
  std::string text = fmt::format("the records of {}, {} and {} weighted as the program weights station series (distances "
                                 "{}, {}, {}: shares {:.1f}%, {:.1f}%, {:.1f}%), ",
                                 ids[0], ids[1], ids[2], distances[0], distances[1], distances[2], 100 * shares[0],
                                 100 * shares[1], 100 * shares[2]);
  if (present == weighting::Presence::all) return text + "present where all three are";
  const long made_present = made[1] + made[2] + made[3];
  const auto share = [&](long n) { return made_present == 0 ? 0.0 : 100.0 * static_cast<double>(n) / static_cast<double>(made_present); };
  return text + fmt::format("present where any is, from the weights of the gauges present (--present any): of {} "
                            "intervals present, {} ({:.1f}%) from 3 gauges, {} ({:.1f}%) from 2, {} ({:.1f}%) from 1; {} "
                            "with none are missing",
                            made_present, made[3], share(made[3]), made[2], share(made[2]), made[1], share(made[1]),
                            made[0]);
}

}  // namespace

void run_weighted_site_command(const WeightedSiteCommand& c, std::ostream& out) {
  const std::array<const common::GaugeArgument*, 3> gauges = records_of_places(c);
  const PlacedStations placed = place_stations(c.places, c.site_at);
  Settings settings = c.settings;
  settings.stations = {StationSetting{c.id, 0}, placed.stations[0], placed.stations[1]};
  const std::string settings_file_text = settings_text(settings);  // checks them
  std::array<gauge::ReadOptions, 3> read;
  for (std::size_t i = 0; i < 3; ++i) {
    read[i] = gauge::gauge_read_options(gauges[i]->id, gauges[i]->options);
    read[i].depth_limit = common::depth_limit_mm;
  }

  check_no_record_replaced({run_facts_file(c.dir, {})}, gauges);
  common::check_future_output(c.dir / run_facts_file_name);  // before it is read: a FIFO there would be waited on
  RunFacts run_facts = read_run_facts(c.dir);  // a malformed file stops the run before any record is read
  const std::optional<Seasons> seasons = seasons_of_use(c.seasons, run_facts, (c.dir / run_facts_file_name).string());
  // Every target checked before any record is read: INPUT.TXT and the stations' files, in the
  // folder or in each season's.
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
  std::array<gauge::ReadFacts, 3> facts;
  std::array<gauge::CalendarSeries, 3> records;
  std::array<StationId, 3> ids;
  std::array<int, 3> distances{};
  for (std::size_t i = 0; i < 3; ++i) {
    records[i] = gauge::read_gauge(gauges[i]->path, read[i], &facts[i]);
    ids[i] = placed.stations[i].id;
    distances[i] = placed.stations[i].distance;
  }
  const std::string source = fmt::format("the weighted record of {}, {} and {}", ids[0], ids[1], ids[2]);
  weighting::RecordsPresent made{};
  const gauge::CalendarSeries site =
      weighting::weighted_record(c.id.text(), {&records[0], &records[1], &records[2]}, distances, c.present, &made);
  if (site.empty()) throw ToolError(source, 0, "is empty: the records it uses have no interval in common");

  // The stations written: the site station, then the first two gauges; each whole, or one per season.
  const std::array<const gauge::CalendarSeries*, 3> series{&site, &records[0], &records[1]};
  const std::array<StationId, 3> written{c.id, ids[0], ids[1]};
  const std::array<std::string, 3> sources{source, gauges[0]->path, gauges[1]->path};
  std::array<std::vector<PreparedStation>, 3> prepared;
  for (std::size_t i = 0; i < 3; ++i)
    prepared[i] = seasons ? prepare_in_seasons(*series[i], written[i], c.prepare, sources[i], *seasons)
                          : std::vector<PreparedStation>{prepare_station(*series[i], written[i], c.prepare, sources[i])};

  SiteStationFacts site_facts{.id = c.id, .present = c.present};
  for (std::size_t i = 0; i < 3; ++i) {
    run_facts.put_station({.id = ids[i], .record = record_fact(gauges[i]->path), .reading = gauges[i]->options,
                           .utc_offset = c.utc_offset});
    site_facts.gauges.push_back({ids[i], distances[i]});
  }
  run_facts.put_site_station(site_facts);
  run_facts.site = SiteFacts{.name = settings.site_name, .position = c.site_at, .utc_offset = c.utc_offset};
  std::vector<common::FileText> files;
  if (seasons) {
    for (std::size_t s = 0; s < seasons->size(); ++s) {
      const Season& season = (*seasons)[s];
      files.push_back(season_file(run_facts, *seasons, c.dir, season, std::string(common::settings_file_name),
                                  settings_file_text));
      for (std::size_t i = 0; i < 3; ++i)
        for (common::FileText& file : station_file_texts({}, prepared[i][s].files))
          files.push_back(season_file(run_facts, *seasons, c.dir, season, file.target.string(), std::move(file.text)));
    }
  } else {
    files.push_back({c.dir / common::settings_file_name, settings_file_text});
    for (std::size_t i = 0; i < 3; ++i)
      for (common::FileText& file : station_file_texts(c.dir, prepared[i].front().files)) files.push_back(std::move(file));
  }
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
  std::string text = fmt::format("{}: {}\n", c.id, weighting_text(ids, distances, c.present, made));
  for (std::size_t i = 0; i < 3; ++i) text += fmt::format("  {}: {}\n", ids[i], record_read_text(gauges[i]->path, facts[i]));
  for (const std::string& note : placed.notes) text += "  " + note + "\n";
  text += findings(0);
  for (std::size_t i = 0; i < 2; ++i) {
    text += fmt::format("{}: {}\n", ids[i], record_read_text(gauges[i]->path, facts[i]));
    text += findings(i + 1);
  }
  if (seasons)
    text += fmt::format("{} and that of every other season's folder: results {}, site {}, {} days\n",
                        (c.dir / seasons->front().name() / common::settings_file_name).string(), settings.results_name,
                        settings.site_name, settings.day_count);
  else
    text += fmt::format("{}: results {}, site {}, {} days\n", (c.dir / common::settings_file_name).string(),
                        settings.results_name, settings.site_name, settings.day_count);
  for (std::size_t i = 0; i < 3; ++i)
    text += fmt::format("  station {}  {:<4}  distance {:>3}\n", i + 1, settings.stations[i].id, settings.stations[i].distance);
  text += fmt::format("  station {} is at the site (distance 0): the program copies its series unchanged; {} and {} are "
                      "read but the site takes nothing from them\n",
                      c.id, ids[0], ids[1]);
  text += site_facts_text(c.dir, *run_facts.site);
  text += fmt::format("  [site-station {}] present {}, gauges {} {}, {} {}, {} {}; [station] of each gauge with its "
                      "record's path and reading options, {}\n",
                      c.id, weighting::presence_name(site_facts.present), ids[0], distances[0], ids[1], distances[1],
                      ids[2], distances[2], c.utc_offset ? "clock UTC" + c.utc_offset->text() : "clock not stated");
  if (seasons) text += "  " + seasons_facts_text(*run_facts.seasons, written_to_seasons) + "\n";
  out << text;
}

}  // namespace raingen::stations
