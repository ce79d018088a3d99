// Run configuration: the settings of INPUT.TXT, the nine station files and the results header.
//
// Reads INPUT.TXT (unit 500) and the header counts of each station's D_3 and F_3 files; writes
// RunSettings and StationTable, the eleven header lines of the results file (unit 100), and
// connects every file of the run, SOURCE.OUT (unit 900) included. A missing or refused file
// ends the run here, so the rest of the program always finds its settings read.
#include <string>
#include <string_view>

#include "generator/diagnostics.h"
#include "generator/record_helpers.h"
#include "generator/shared.h"
#include "records/connections.h"
#include "records/raise.h"
#include "records/write_fields.h"

namespace raingen {

namespace {

using records::Status;

std::string trimmed(std::string_view name) { return std::string(records::trim_name(name)); }

// Going on after a refused connection would build the table from settings never read, so the
// run stops, naming the file it tried: for a blank name, the argument or answer that replaced it.
void connect_or_stop(int unit, std::string_view name, Status status) {
  std::string tried;
  if (records::connect_unit(unit, name, status, true, &tried) == 0) return;
  console_record("ERROR HAPPENS WHEN OPENING THE FILE.");
  if (tried.empty())
    diagnostic_line("no file name given: console input ended");
  else
    diagnostic_line("cannot open file: " + tried);
  records::stop_run();
}

// The identifier with all its four characters, blanks included, then the suffix.
void name_file(FixedText<11>& name, const FixedText<4>& station_id, std::string_view suffix) {
  const std::string joined = std::string(station_id.view()) + std::string(suffix);
  for (int k = 0; k < 11; ++k) name.chars[k] = joined[k];
}

void name_station_files(int i) {
  StationRecord& station = StationTable(i);
  name_file(station.spell_file, station.station_id, "D_3.TXT");
  name_file(station.day_file, station.station_id, "F_2.TXT");
  name_file(station.index_file, station.station_id, "F_3.TXT");
}

// All three are tested before any result counts; each missing one gets its own line.
void require_station_files(const StationRecord& station) {
  const FixedText<11>* names[] = {&station.spell_file, &station.day_file, &station.index_file};
  bool found[3];
  for (int k = 0; k < 3; ++k) found[k] = records::file_exists(names[k]->view());
  if (found[0] && found[1] && found[2]) return;
  for (int k = 0; k < 3; ++k)
    if (!found[k]) diagnostic_line("station file not found: " + trimmed(names[k]->view()));
  records::stop_run();
}

void write_title_line() {
  records::WriteStatement write(results_unit, "(A29)");
  write.text("SYNTHETIC RAINFALL GENERATION");
  write.end();
}

void write_site_lines() {
  write_list_directed(results_unit, " ");
  records::WriteStatement write(results_unit, "(A10,2X,A11)");
  write.text("SITE NAME:");
  write.text(RunSettings.site_name.view());
  write.end();
}

void write_station_line(int i) {
  records::WriteStatement write(results_unit, "(A9,I1,A1,1X,A4)");
  write.text("STATION #");
  write.integer(i);
  write.text(":");
  write.text(StationTable(i).station_id.view());
  write.end();
}

void write_distance_heading() {
  records::WriteStatement blank_line(results_unit, "(14X,A11)");
  blank_line.text(" ");
  blank_line.end();
  records::WriteStatement heading(results_unit, "(A17)");
  heading.text("DISTANCE TO SITE:");
  heading.end();
}

void write_distance_line(int i) {
  records::WriteStatement write(results_unit, "(A9,I1,A1,1X,I3)");
  write.text("STATION #");
  write.integer(i);
  write.text(":");
  write.integer(StationTable(i).distance);
  write.end();
}

void configure_station(int i) {
  StationRecord& station = StationTable(i);
  read_text_record(input_unit, "(14X,A4)", station.station_id);
  name_station_files(i);
  require_station_files(station);
  write_station_line(i);
  connect_or_stop(spell_unit_of(i), station.spell_file.view(), Status::old);
  connect_or_stop(day_unit_of(i), station.day_file.view(), Status::old);
  connect_or_stop(index_unit_of(i), station.index_file.view(), Status::old);
  read_int_record(spell_unit_of(i), "(/,9X,I9,/)", station.entry_count);
  read_int_record(index_unit_of(i), "(/,9X,I9,/)", station.day_record_count);
}

}  // namespace

void read_run_configuration() {
  if (!records::file_exists("INPUT.TXT")) {
    console_record("INPUT FILE NOT FOUND.");
    records::stop_run();
  }
  connect_or_stop(input_unit, "INPUT.TXT", Status::unknown);
  read_text_record(input_unit, "(14X,A11)", RunSettings.results_name);
  connect_or_stop(results_unit, RunSettings.results_name.view(), Status::unknown);
  write_title_line();
  connect_or_stop(source_unit, "SOURCE.OUT", Status::unknown);
  read_text_record(input_unit, "(14X,A11)", RunSettings.site_name);
  write_site_lines();
  for (int i = 1; i <= station_count; ++i) configure_station(i);
  for (int i = 1; i <= station_count; ++i) read_int_record(input_unit, "(14X,I3)", StationTable(i).distance);
  write_distance_heading();
  for (int i = 1; i <= station_count; ++i) write_distance_line(i);
  read_int_record(input_unit, "(14X,I4)", RunSettings.day_count);
  // The station grid and the site series hold max_days days.
  if (RunSettings.day_count > max_days) {
    console_record("NUMBER OF DAYS EXCEEDS 2000.");
    records::stop_run();
  }
}

}  // namespace raingen
