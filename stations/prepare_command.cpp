#include "stations/prepare_command.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "stations/fragment_gauges.h"
#include "stations/season_folders.h"

namespace raingen::stations {

namespace {

using common::ToolError;
using common::UsageError;

// A file written must never replace the record it was made from, nor a device or a FIFO.
void check_not_the_record(const StationCommand& command, const std::optional<Seasons>& seasons) {
  namespace fs = std::filesystem;
  std::vector<fs::path> targets{command.dir / run_facts_file_name};
  std::vector<fs::path> folders{command.dir};
  if (seasons) {
    folders.clear();
    for (const Season& season : *seasons) folders.push_back(command.dir / season.name());
  }
  for (const fs::path& folder : folders)
    for (const std::string& name : command.id.file_names()) targets.push_back(folder / name);
  std::error_code ignored;
  for (const fs::path& target : targets) {
    common::check_future_output(target);
    if (command.record != "-" && fs::equivalent(target, command.record, ignored))
      throw UsageError(fmt::format("{} would replace the record it is made from", target.string()));
  }
}

std::string clock_text(const std::optional<calendar::UtcOffset>& offset) {
  return offset ? "clock UTC" + offset->text() : "clock not stated";
}

// A clock a station's section states, and where.
struct StatedClock {
  StationId station;
  calendar::UtcOffset offset;
  long line;
};

}  // namespace

std::optional<std::string> record_fact(const std::string& record) {
  if (record == "-") return std::nullopt;
  return std::filesystem::absolute(record).lexically_normal().string();
}

FactLines change_facts(const PrepareOptions& options, const StationSummary& summary) {
  FactLines lines;
  if (summary.change) {
    lines.emplace_back("change", options.change->text);
    lines.emplace_back("change_result", change_result_text(*summary.change));
  }
  if (summary.tail) {
    lines.emplace_back("tail", options.tail->reference);
    lines.emplace_back("tail_result", tail_result_text(*summary.tail));
  }
  return lines;
}

std::string station_facts_text(const std::filesystem::path& dir, const StationFacts& station) {
  const std::size_t options = station.reading.size();
  return fmt::format("  also written    {}: [station {}] with {}, {} reading option{} given, {}\n",
                     (dir / run_facts_file_name).string(), station.id,
                     station.record ? "the record's path" : "no record path (standard input)", options,
                     options == 1 ? "" : "s", clock_text(station.utc_offset));
}

std::string site_facts_text(const std::filesystem::path& dir, const SiteFacts& site) {
  return fmt::format("{}: [site] {}, {}, {}\n", (dir / run_facts_file_name).string(), site.name.value_or(""),
                     site.position ? "position " + position_text(*site.position) : "no position (--site-at)",
                     clock_text(site.utc_offset));
}

std::optional<calendar::UtcOffset> site_clock(const RunFacts& facts, const std::vector<StationId>& stations,
                                              std::optional<calendar::UtcOffset> given, const std::string& file) {
  std::vector<StatedClock> stated;
  bool all_stated = true;
  const auto take = [&](const StationId& id) {
    const StationFacts* station = facts.station(id);
    if (station && station->utc_offset)
      stated.push_back({id, *station->utc_offset, station->line});
    else
      all_stated = false;
  };
  for (const StationId& id : stations) {
    if (facts.site_station && facts.site_station->id == id && !facts.station(id))
      for (const SiteStationGauge& gauge : facts.site_station->gauges) take(gauge.id);
    else
      take(id);
  }
  for (const StatedClock& clock : stated) {
    if (given && clock.offset != *given)
      throw ToolError(
          file, clock.line,
          fmt::format("station {} kept the clock UTC{}, not the --utc-offset {} given for the site: the "
                      "site series would mix days of two clocks (prepare every station on the site's clock)",
                      clock.station, clock.offset.text(), given->text()));
    if (!given && clock.offset != stated.front().offset)
      throw ToolError(file, clock.line,
                      fmt::format("station {} kept the clock UTC{}, station {} UTC{} (line {}): the site series would "
                                  "mix days of two clocks (prepare the stations with one --utc-offset)",
                                  clock.station, clock.offset.text(), stated.front().station,
                                  stated.front().offset.text(), stated.front().line));
  }
  if (given) return given;
  if (all_stated && !stated.empty()) return stated.front().offset;
  return std::nullopt;
}

std::string record_read_text(const std::string& record, const gauge::ReadFacts& facts) {
  const std::string step = facts.step_minutes > 0 ? fmt::format(", {}-minute step", facts.step_minutes) : "";
  std::string text =
      fmt::format("{} (read as {}{}, {} readings)", record, gauge::format_name(facts.format), step, facts.data_lines);
  if (facts.fragments) text += "\n  made 15-minute  " + fragment_result_text(*facts.fragments);
  return text;
}

namespace {

std::string period_text(const StationSummary& s, const PrepareOptions& options) {
  std::string text = fmt::format("  period          {} to {}, {} days\n", calendar::day_text(s.first_day),
                                 calendar::day_text(s.last_day), (s.last_day - s.first_day).count() + 1);
  if (s.change)
    text += fmt::format("  change          --change {}: {}\n", options.change->text, change_result_text(*s.change));
  if (s.tail)
    text += fmt::format("  tail            --tail {}: {}\n", options.tail->reference, tail_result_text(*s.tail));
  return text;
}

// What was found and written, each line after lead ("  ", or deeper in a season's block).
std::string findings_text(const StationId& id, const std::filesystem::path& dir, const PrepareOptions& options,
                          const StationSummary& s, std::size_t spell_entries, const std::string& lead, bool in_season) {
  std::string text =
      fmt::format("{}complete days   {}; missing intervals taken as dry: {} in {} days (--min-complete {:g})\n", lead,
                  s.complete_days, s.filled_intervals, s.filled_days, options.days.min_complete_percent);
  if (!s.complete_at.empty())
    text += fmt::format(
        "{}completeness    only {} of {} days have every interval present: {} (the missing intervals of "
        "a day kept are taken as dry)\n",
        lead, s.complete_days, s.days, complete_at_text(s.complete_at));
  text += fmt::format("{}days with gaps  {}\n", lead, s.incomplete_days);
  text += fmt::format("{}wet days        {} (above {:g} mm), dry days {}\n", lead, s.wet_days,
                      options.days.wet_threshold, s.dry_days);
  text += fmt::format(
      "{}dry spells      {} ended by a wet day, {} censored by a gap{} or the record's end; longest {} "
      "days\n",
      lead, s.spells_ended, s.spells_censored, in_season ? ", the season's end" : "", s.longest_spell);
  text += fmt::format(
      "{}total depth     {:.2f} mm on complete days {}; on wet days {:.2f} mm {}, {:.2f} mm as written (0.01 mm)\n",
      lead, s.total_read, s.change ? "as changed" : "as read", s.wet_read, s.change ? "as changed" : "as read",
      s.total_written);
  using common::StationFile;
  const auto file = [&](StationFile f) { return (dir / id.file_name(f)).string(); };
  text += fmt::format("{}written         {} ({} spell table, {} entries)\n", lead, file(StationFile::spell_table),
                      spell_table_name(options.spell_table), spell_entries);
  text += fmt::format("{}                {} and {} ({} wet days and a copy of the last)\n", lead,
                      file(StationFile::day_records), file(StationFile::day_index), s.wet_days);
  return text;
}

}  // namespace

std::string station_findings_text(const StationId& id, const std::filesystem::path& dir, const PrepareOptions& options,
                                  const StationSummary& s, std::size_t spell_entries) {
  return period_text(s, options) + findings_text(id, dir, options, s, spell_entries, "  ", false);
}

std::string season_findings_text(const StationId& id, const std::filesystem::path& dir, const PrepareOptions& options,
                                 const Seasons& seasons, const std::vector<PreparedStation>& prepared) {
  std::string text = period_text(prepared.front().summary, options);
  text += fmt::format("  seasons         {} (--seasons {}): the files of each from its days alone, in its folder\n",
                      season_names(seasons), seasons_list(seasons));
  for (std::size_t s = 0; s < seasons.size(); ++s) {
    const StationSummary& summary = prepared[s].summary;
    text += fmt::format("  season {:<8} {}: {} of the {} days\n", seasons[s].name(), seasons[s].months_text(),
                        summary.days, (summary.last_day - summary.first_day).count() + 1);
    text += findings_text(id, dir / seasons[s].name(), options, summary, prepared[s].files.spell_entries.size(), "    ",
                          true);
  }
  return text;
}

std::string seasons_facts_text(const SeasonsFacts& seasons, std::size_t files_written) {
  return fmt::format("[seasons] {}, with the checksums of the {} files written into their folders",
                     season_names(seasons.seasons), files_written);
}

std::string station_summary_text(const StationCommand& command, const gauge::ReadFacts& facts,
                                 const StationSummary& summary, std::size_t spell_entries) {
  return command.id.text() + ": " + record_read_text(command.record, facts) + "\n" +
         station_findings_text(command.id, command.dir, command.prepare, summary, spell_entries);
}

void run_station_command(const StationCommand& command, std::ostream& out) {
  RunFacts run_facts = read_run_facts(command.dir);  // a malformed file stops the run before the record is read
  const std::string facts_file = (command.dir / run_facts_file_name).string();
  const std::optional<Seasons> seasons = seasons_of_use(command.seasons, run_facts, facts_file);
  check_not_the_record(command, seasons);
  gauge::ReadOptions read = command.read;
  read.depth_limit = common::depth_limit_mm;
  read.fragments = command.prepare.fragments;
  gauge::ReadFacts facts;
  const gauge::CalendarSeries series = gauge::read_gauge(command.record, read, &facts);
  StationFacts station{.id = command.id,
                       .record = record_fact(command.record),
                       .reading = command.reading,
                       .utc_offset = command.utc_offset};
  if (!seasons) {
    const PreparedStation prepared = prepare_station(series, command.id, command.prepare, command.record);
    station.other = change_facts(command.prepare, prepared.summary);
    for (auto& fact : fragment_facts(command.prepare.fragments, facts)) station.other.push_back(std::move(fact));
    run_facts.put_station(station);
    std::vector<common::FileText> files = station_file_texts(command.dir, prepared.files);
    files.push_back(run_facts_file(command.dir, run_facts));
    common::write_together(files);
    out << station_summary_text(command, facts, prepared.summary, prepared.files.spell_entries.size())
        << station_facts_text(command.dir, station);
    return;
  }
  const std::vector<PreparedStation> prepared =
      prepare_in_seasons(series, command.id, command.prepare, command.record, *seasons);
  station.other = change_facts(command.prepare, prepared.front().summary);
  for (auto& fact : fragment_facts(command.prepare.fragments, facts)) station.other.push_back(std::move(fact));
  run_facts.put_station(station);
  std::vector<common::FileText> files;
  for (std::size_t s = 0; s < seasons->size(); ++s)
    for (common::FileText& file : station_file_texts({}, prepared[s].files))
      files.push_back(
          season_file(run_facts, *seasons, command.dir, (*seasons)[s], file.target.string(), std::move(file.text)));
  const std::size_t written = files.size();
  files.push_back(run_facts_file(command.dir, run_facts));
  write_with_season_folders(files, command.dir, *seasons);
  out << command.id.text() << ": " << record_read_text(command.record, facts) << "\n"
      << season_findings_text(command.id, command.dir, command.prepare, *seasons, prepared)
      << station_facts_text(command.dir, station) << "                  "
      << seasons_facts_text(*run_facts.seasons, written) << "\n";
}

void run_settings_command(const SettingsCommand& command, std::ostream& out) {
  if (command.places.size() != 3)
    throw UsageError(fmt::format("INPUT.TXT needs three stations: --station given {} times", command.places.size()));
  const PlacedStations placed = place_stations(command.places, command.site_at);
  Settings settings = command.settings;
  for (std::size_t i = 0; i < 3; ++i) settings.stations[i] = placed.stations[i];
  const std::string text = settings_text(settings);                // checks them
  common::check_future_output(command.dir / run_facts_file_name);  // before it is read: a FIFO there would be waited on
  RunFacts facts = read_run_facts(command.dir);
  const std::string facts_file = (command.dir / run_facts_file_name).string();
  const std::optional<Seasons> seasons = seasons_of_use(command.seasons, facts, facts_file);
  if (seasons)
    for (const Season& season : *seasons)
      common::check_future_output(command.dir / season.name() / common::settings_file_name);
  else
    common::check_future_output(command.dir / common::settings_file_name);
  const std::vector<StationId> ids{settings.stations[0].id, settings.stations[1].id, settings.stations[2].id};
  facts.site = SiteFacts{.name = settings.site_name,
                         .position = command.site_at,
                         .utc_offset = site_clock(facts, ids, command.utc_offset, facts_file)};
  if (seasons) {
    std::vector<common::FileText> files;
    for (const Season& season : *seasons)
      files.push_back(season_file(facts, *seasons, command.dir, season, std::string(common::settings_file_name), text));
    files.push_back(run_facts_file(command.dir, facts));
    write_with_season_folders(files, command.dir, *seasons);
    out << fmt::format("{} and that of every other season's folder: results {}, site {}, {} days\n",
                       (command.dir / seasons->front().name() / common::settings_file_name).string(),
                       settings.results_name, settings.site_name, settings.day_count);
  } else {
    common::write_together({{command.dir / common::settings_file_name, text}, run_facts_file(command.dir, facts)});
    out << fmt::format("{}: results {}, site {}, {} days\n", (command.dir / common::settings_file_name).string(),
                       settings.results_name, settings.site_name, settings.day_count);
  }
  for (std::size_t i = 0; i < 3; ++i)
    out << fmt::format("  station {}  {:<4}  distance {:>3}\n", i + 1, settings.stations[i].id,
                       settings.stations[i].distance);
  for (const std::string& note : placed.notes) out << "  " << note << '\n';
  out << site_facts_text(command.dir, *facts.site);
  if (seasons) out << "  " << seasons_facts_text(*facts.seasons, seasons->size()) << '\n';
}

}  // namespace raingen::stations
