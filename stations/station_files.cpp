#include "stations/station_files.h"

#include <cmath>
#include <utility>

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "gauge/decimal_depth.h"

namespace raingen::stations {

namespace {

using common::ToolError;

constexpr const char* line_end = "\r\n";

using common::key_width;
using common::number_width;

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

std::int64_t hundredths(double mm) {
  const std::optional<std::int64_t> h = gauge::hundredths_of(mm);
  if (!h) throw ToolError(fmt::format("the depth {} mm is no depth a station file holds", mm));
  return *h;
}

std::string spell_table_text(const StationFiles& station) {
  std::string text = station.spell_title + line_end;
  text += fmt::format("{:<{}}{:{}}{}", "ENTRIES", key_width, station.spell_entries.size(), number_width, line_end);
  text += station.spell_heading + line_end;
  // Below 10^(9 - 4 - 1) once rounded to 4 decimals: 9999.9999 fills the 9 columns.
  const double too_large = std::pow(10.0, number_width - common::spell_entry_decimals - 1) -
                           0.5 * std::pow(10.0, -common::spell_entry_decimals);
  for (std::size_t k = 0; k < station.spell_entries.size(); ++k) {
    const double entry = station.spell_entries[k];
    if (!std::isfinite(entry) || std::fabs(entry) >= too_large)
      throw ToolError(fmt::format("spell table entry {} ({}) does not fit {} columns with {} decimals", k + 1, entry,
                                  number_width, common::spell_entry_decimals));
    text += fmt::format("{:{}}{:{}.{}f}", k + 1, key_width, entry, number_width, common::spell_entry_decimals);
    if (k < station.spell_notes.size()) text += station.spell_notes[k];
    text += line_end;
  }
  return text;
}

std::string day_line(const DayRecord& day) {
  std::string line = day.label.substr(0, common::day_label_width);
  line.resize(common::day_label_width, ' ');
  line.reserve(common::day_label_width + calendar::intervals_per_day * (1 + common::depth_width));
  for (std::size_t j = 0; j < day.depths.size(); ++j) {
    const double mm = day.depths[j];
    const std::optional<std::int64_t> h = gauge::hundredths_of(mm);
    const int end = static_cast<int>(j + 1) * calendar::minutes_per_interval;  // minutes after midnight
    if (!h || *h < 0 || *h > common::largest_depth_hundredths)
      throw ToolError(
          fmt::format("day {}, interval {} (ending {:02}:{:02}): the depth {} mm cannot be written in {} "
                      "columns (0.00 to {} mm)",
                      day.key, j + 1, end / calendar::minutes_per_hour, end % calendar::minutes_per_hour,
                      h ? gauge::hundredths_text(*h) : fmt::format("{:g}", mm), common::depth_width,
                      gauge::hundredths_text(common::largest_depth_hundredths)));
    append_depth(line, *h);
  }
  return line;
}

std::string day_records_text(const StationFiles& station) {
  std::string text;
  text.reserve(station.days.size() *
               (common::day_label_width + calendar::intervals_per_day * (1 + common::depth_width) + 2));
  for (const DayRecord& day : station.days) text += day_line(day) + line_end;
  return text;
}

std::string day_index_text(const StationFiles& station) {
  std::string text = fmt::format("{:<{}}{:{}}{}{}", station.id, key_width, station.index_number, number_width,
                                 station.index_title, line_end);
  text += fmt::format("{:<{}}{:{}}{}", "RECORDS", key_width, station.days.size(), number_width, line_end);
  text += station.index_heading + line_end;
  for (const DayRecord& day : station.days) text += fmt::format("{:{}}{}{}", day.key, key_width, day.note, line_end);
  return text;
}

std::vector<common::FileText> station_file_texts(const std::filesystem::path& dir, const StationFiles& station) {
  if (station.id.empty()) throw ToolError("a station without identifier names no file");
  using common::StationFile;
  // Every text first: a depth that does not fit stops the run before any file is touched.
  std::vector<common::FileText> files;
  for (const auto& [file, text_of] :
       {std::pair{StationFile::spell_table, &spell_table_text}, std::pair{StationFile::day_records, &day_records_text},
        std::pair{StationFile::day_index, &day_index_text}}) {
    const std::filesystem::path target = dir / station.id.file_name(file);
    try {
      files.push_back({target, text_of(station)});
    } catch (const ToolError& error) {
      throw ToolError(target.string(), 0, error.what());  // the file the value was to go into
    }
  }
  return files;
}

void write_station_files(const std::filesystem::path& dir, const StationFiles& station) {
  common::write_together(station_file_texts(dir, station));
}

}  // namespace raingen::stations
