#include "support/station_data.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "common/numbers.h"
#include "stations/station_files.h"

namespace testing_support {

namespace {

std::string padded(const std::string& text, std::size_t width) {
  std::string out = text;
  if (out.size() < width) out.append(width - out.size(), ' ');
  return out;
}

std::string right(const std::string& text, std::size_t width) {
  if (text.size() >= width) return text;
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::string input_text(const Settings& s) {
  const std::string label = padded(s.label, 14).substr(0, 14);
  std::string text;
  auto line = [&](const std::string& field) { text += label + field + "\n"; };
  line(s.results_name);
  line(s.site_name);
  for (const auto& id : s.station_ids) line(id);
  for (const auto& d : s.distances) line(d);
  line(s.day_count);
  return text;
}

// Well-formed files come from the station-file writer; what it could not write (entries in
// another form, counts that disagree with the lines) is built here by hand.
std::string spell_text(const std::vector<std::string>& entries, int count) {
  if (count == static_cast<int>(entries.size())) {
    raingen::stations::StationFiles station;
    station.spell_title = "SPELL TABLE";
    bool writable = true;
    for (const std::string& entry : entries) {
      const auto value = raingen::common::parse_real(entry);
      char written[32];
      if (value) std::snprintf(written, sizeof written, "%9.4f", *value);
      writable = writable && value && entry == written;
      station.spell_entries.push_back(value.value_or(0.0));
    }
    if (writable) return raingen::stations::spell_table_text(station);
  }
  std::string text = "SPELL TABLE\n";
  text += "ENTRIES  " + right(std::to_string(count), 9) + "\n";
  text += "   LENGTH  CUMFREQ\n";
  for (std::size_t k = 0; k < entries.size(); ++k)
    text += right(std::to_string(k + 1), 9) + right(entries[k], 9) + "\n";
  return text;
}

std::string spell_text(const std::vector<std::string>& entries) {
  return spell_text(entries, static_cast<int>(entries.size()));
}

DayValues constant_day(double value) {
  DayValues day;
  day.fill(value);
  return day;
}

std::string day_line(const DayValues& values, const std::string& free_text) {
  raingen::stations::DayRecord day;
  day.label = free_text;
  std::copy(values.begin(), values.end(), day.depths.begin());
  return raingen::stations::day_line(day);
}

namespace {
raingen::stations::StationFiles station_of(const std::vector<DayValues>& days) {
  raingen::stations::StationFiles station;
  for (std::size_t k = 0; k < days.size(); ++k) {
    raingen::stations::DayRecord day;
    day.key = static_cast<std::int32_t>(k + 1);
    day.label = "DAY " + std::to_string(k + 1);
    day.note = "  day " + std::to_string(k + 1);
    std::copy(days[k].begin(), days[k].end(), day.depths.begin());
    station.days.push_back(day);
  }
  return station;
}
}  // namespace

std::string day_text(const std::vector<DayValues>& days) {
  return raingen::stations::day_records_text(station_of(days));
}

std::string index_text(int count, int lines) {
  if (count == lines) {
    raingen::stations::StationFiles station = station_of(std::vector<DayValues>(static_cast<std::size_t>(lines)));
    station.id = *raingen::stations::StationId::from("INDX");
    return raingen::stations::day_index_text(station);
  }
  std::string text = "INDX     " + right("1", 9) + "\n";
  text += "RECORDS  " + right(std::to_string(count), 9) + "\n";
  text += "      DAY\n";
  for (int k = 1; k <= lines; ++k) text += right(std::to_string(k), 9) + "  day " + std::to_string(k) + "\n";
  return text;
}

void write_station(const TempDir& dir, const std::string& id, const std::vector<std::string>& spell_entries,
                   const std::vector<DayValues>& days) {
  dir.write(id + "D_3.TXT", spell_text(spell_entries));
  dir.write(id + "F_2.TXT", day_text(days));
  dir.write(id + "F_3.TXT", index_text(static_cast<int>(days.size()), static_cast<int>(days.size())));
}

std::string f9_3(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  std::string text = buffer;
  if (text == "-0.000") text = "0.000";
  // No digit before the point when the integer part is zero.
  if (text.rfind("0.", 0) == 0) text.erase(0, 1);
  if (text.rfind("-0.", 0) == 0) text.erase(1, 1);
  if (text.size() > 9) return std::string(9, '*');
  return right(text, 9);
}

std::string table_rows(const std::vector<DayValues>& site) {
  std::string text;
  char minutes[32];
  for (std::size_t d = 0; d < site.size(); ++d)
    for (int i = 0; i < 96; ++i) {
      std::snprintf(minutes, sizeof minutes, "%12lld", static_cast<long long>(d) * 1440 + 15 * (i + 1));
      text += minutes + f9_3(site[d][static_cast<std::size_t>(i)]) + "\r\n";
    }
  return text;
}

}  // namespace testing_support
