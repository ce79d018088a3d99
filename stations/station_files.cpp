#include "stations/station_files.h"

#include <cmath>

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "stations/settings_file.h"

namespace raingen::stations {

namespace {

using common::ToolError;

constexpr const char* line_end = "\r\n";

void check_id(const std::string& id) {
  if (id.empty() || id.size() > 4 || id.find('/') != std::string::npos || id.find('\0') != std::string::npos)
    throw ToolError(fmt::format("station identifier '{}' must be 1 to 4 characters without '/'", id));
}

// " dd.dd": one separating blank, then the depth in 5 columns.
void append_depth(std::string& line, std::int64_t h) {
  char field[6] = {' ', ' ', ' ', '.', '0', '0'};
  field[5] = static_cast<char>('0' + h % 10);
  field[4] = static_cast<char>('0' + h / 10 % 10);
  field[2] = static_cast<char>('0' + h / 100 % 10);
  if (h >= 1000) field[1] = static_cast<char>('0' + h / 1000);
  line.append(field, 6);
}

}  // namespace

std::int64_t hundredths(double mm) { return std::llround(mm * 100.0); }

std::string spell_table_text(const StationFiles& station) {
  std::string text = station.spell_title + line_end;
  text += fmt::format("ENTRIES  {:9}{}", station.spell_entries.size(), line_end);
  text += station.spell_heading + line_end;
  for (std::size_t k = 0; k < station.spell_entries.size(); ++k) {
    const double entry = station.spell_entries[k];
    if (!std::isfinite(entry) || std::fabs(entry) >= 9999.99995)
      throw ToolError(fmt::format("spell table entry {} ({}) does not fit 9 columns with 4 decimals", k + 1, entry));
    text += fmt::format("{:9}{:9.4f}", k + 1, entry);
    if (k < station.spell_notes.size()) text += station.spell_notes[k];
    text += line_end;
  }
  return text;
}

std::string day_line(const DayRecord& day) {
  std::string line = day.label.substr(0, 29);
  line.resize(29, ' ');
  line.reserve(29 + 96 * 6);
  for (std::size_t j = 0; j < 96; ++j) {
    const double mm = day.depths[j];
    const std::int64_t h = std::isfinite(mm) ? hundredths(mm) : -1;
    if (h < 0 || h > 9999)
      throw ToolError(fmt::format("day {}, interval {} (ending {:02}:{:02}): the depth {:.2f} mm cannot be written in 5 "
                                  "columns (0.00 to 99.99 mm)",
                                  day.key, j + 1, (j + 1) * 15 / 60, (j + 1) * 15 % 60, mm));
    append_depth(line, h);
  }
  return line;
}

std::string day_records_text(const StationFiles& station) {
  std::string text;
  text.reserve(station.days.size() * (29 + 96 * 6 + 2));
  for (const DayRecord& day : station.days) text += day_line(day) + line_end;
  return text;
}

std::string day_index_text(const StationFiles& station) {
  std::string text = fmt::format("{:<9}{:9}{}{}", station.id, station.index_number, station.index_title, line_end);
  text += fmt::format("RECORDS  {:9}{}", station.days.size(), line_end);
  text += station.index_heading + line_end;
  for (const DayRecord& day : station.days) text += fmt::format("{:9}{}{}", day.key, day.note, line_end);
  return text;
}

std::vector<common::FileText> station_file_texts(const std::filesystem::path& dir, const StationFiles& station) {
  check_id(station.id);
  // Every text first: a depth that does not fit stops the run before any file is touched.
  return {{dir / station_file_name(station.id, "D_3.TXT"), spell_table_text(station)},
          {dir / station_file_name(station.id, "F_2.TXT"), day_records_text(station)},
          {dir / station_file_name(station.id, "F_3.TXT"), day_index_text(station)}};
}

void write_station_files(const std::filesystem::path& dir, const StationFiles& station) {
  common::write_together(station_file_texts(dir, station));
}

}  // namespace raingen::stations
