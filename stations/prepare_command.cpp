#include "stations/prepare_command.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/program_files.h"
#include "common/tool_error.h"

namespace raingen::stations {

namespace {

using common::ToolError;
using common::UsageError;

// A station file must never replace the record it was made from.
void check_not_the_record(const StationCommand& command) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  for (const std::string& name : command.id.file_names()) {
    const fs::path target = command.dir / name;
    if (command.record != "-" && fs::equivalent(target, command.record, ignored))
      throw UsageError(fmt::format("{} would replace the record it is made from", target.string()));
  }
}

}  // namespace

std::string record_read_text(const std::string& record, const gauge::ReadFacts& facts) {
  const std::string step = facts.step_minutes > 0 ? fmt::format(", {}-minute step", facts.step_minutes) : "";
  return fmt::format("{} (read as {}{}, {} readings)", record, gauge::format_name(facts.format), step, facts.data_lines);
}

std::string station_findings_text(const StationId& id, const std::filesystem::path& dir, const PrepareOptions& options,
                                  const StationSummary& s, std::size_t spell_entries) {
  std::string text = fmt::format("  period          {} to {}, {} days\n", calendar::day_text(s.first_day),
                                 calendar::day_text(s.last_day), (s.last_day - s.first_day).count() + 1);
  text += fmt::format("  complete days   {}; missing intervals taken as dry: {} in {} days (--min-complete {:g})\n",
                      s.complete_days, s.filled_intervals, s.filled_days, options.days.min_complete_percent);
  text += fmt::format("  days with gaps  {}\n", s.incomplete_days);
  text += fmt::format("  wet days        {} (above {:g} mm), dry days {}\n", s.wet_days, options.days.wet_threshold,
                      s.dry_days);
  text += fmt::format("  dry spells      {} ended by a wet day, {} censored by a gap or the record's end; longest {} days\n",
                      s.spells_ended, s.spells_censored, s.longest_spell);
  text += fmt::format("  total depth     {:.2f} mm on complete days as read; on wet days {:.2f} mm as read, {:.2f} mm "
                      "as written (0.01 mm)\n",
                      s.total_read, s.wet_read, s.total_written);
  using common::StationFile;
  const auto file = [&](StationFile f) { return (dir / id.file_name(f)).string(); };
  text += fmt::format("  written         {} ({} spell table, {} entries)\n", file(StationFile::spell_table),
                      spell_table_name(options.spell_table), spell_entries);
  text += fmt::format("                  {} and {} ({} wet days and a copy of the last)\n", file(StationFile::day_records),
                      file(StationFile::day_index), s.wet_days);
  return text;
}

std::string station_summary_text(const StationCommand& command, const gauge::ReadFacts& facts,
                                 const StationSummary& summary, std::size_t spell_entries) {
  return command.id.text() + ": " + record_read_text(command.record, facts) + "\n" +
         station_findings_text(command.id, command.dir, command.prepare, summary, spell_entries);
}

void run_station_command(const StationCommand& command, std::ostream& out) {
  check_not_the_record(command);
  gauge::ReadOptions read = command.read;
  read.depth_limit = common::depth_limit_mm;
  gauge::ReadFacts facts;
  const gauge::CalendarSeries series = gauge::read_gauge(command.record, read, &facts);
  const PreparedStation prepared = prepare_station(series, command.id, command.prepare, command.record);
  write_station_files(command.dir, prepared.files);
  out << station_summary_text(command, facts, prepared.summary, prepared.files.spell_entries.size());
}

void run_settings_command(const SettingsCommand& command, std::ostream& out) {
  if (command.places.size() != 3)
    throw UsageError(fmt::format("INPUT.TXT needs three stations: --station given {} times", command.places.size()));
  const PlacedStations placed = place_stations(command.places, command.site_at);
  Settings settings = command.settings;
  for (std::size_t i = 0; i < 3; ++i) settings.stations[i] = placed.stations[i];
  write_settings(command.dir, settings);
  out << fmt::format("{}: results {}, site {}, {} days\n", (command.dir / common::settings_file_name).string(),
                     settings.results_name,
                     settings.site_name, settings.day_count);
  for (std::size_t i = 0; i < 3; ++i)
    out << fmt::format("  station {}  {:<4}  distance {:>3}\n", i + 1, settings.stations[i].id, settings.stations[i].distance);
  for (const std::string& note : placed.notes) out << "  " << note << '\n';
}

}  // namespace raingen::stations
