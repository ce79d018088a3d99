#include "stations/settings_file.h"

#include <fmt/format.h>

#include <cctype>
#include <string_view>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "common/whole_file.h"

namespace raingen::stations {

namespace {

using common::ToolError;
using common::UsageError;

// The first column of every value.
constexpr std::size_t value_column = common::settings_label_width + 1;

void check_name(const std::string& what, const std::string& name, std::size_t width) {
  if (name.size() > width) throw UsageError(fmt::format("{} '{}' is longer than its {} characters", what, name, width));
  for (unsigned char c : name)
    if (c < ' ' || c > '~')
      throw UsageError(fmt::format("{} '{}' holds a character other than printable ASCII", what, name));
}

// A record's data: the line up to its line feed, cut at a carriage return.
std::string_view record_data(std::string_view line) {
  const std::size_t cr = line.find('\r');
  return cr == std::string_view::npos ? line : line.substr(0, cr);
}

// Columns first..first+width-1 (from 1) of a record, blank-padded.
std::string columns(std::string_view data, std::size_t first, std::size_t width) {
  std::string field(width, ' ');
  for (std::size_t k = 0; k < width && first - 1 + k < data.size(); ++k) field[k] = data[first - 1 + k];
  return field;
}

// An integer field as the program converts one after a column skip: blanks and tabs dropped, a
// comma ends the value, an optional sign, digits; nothing at all is 0.
int integer_field(const std::filesystem::path& file, long line, const std::string& field, std::size_t width) {
  std::string text;
  for (char c : field) {
    if (c == ',') break;
    if (c != ' ' && c != '\t') text += c;
  }
  std::size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  long value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9')
      throw ToolError(
          file.string(), line,
          fmt::format("columns {}-{} hold '{}', not a whole number", value_column, value_column + width - 1, field));
    value = value * 10 + (text[at] - '0');
  }
  return static_cast<int>(negative ? -value : value);
}

std::string without_trailing_blanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string without_blanks_around(std::string text) {
  text = without_trailing_blanks(std::move(text));
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The results file is a plain file of the run folder, beside INPUT.TXT (letter case aside, as on
// a file system that ignores it): a name with a folder part would put every site's table in one
// file, one of the folder's own files would be replaced by the run, and a device name reaches no
// file on systems that reserve it.
void check_results_name(const std::string& name) {
  const std::string key = upper(without_trailing_blanks(name));
  if (name.find_first_of("/\\") != std::string::npos || key == "." || key == "..")
    throw UsageError(
        fmt::format("the results name '{}' is not a plain file name: the table is written beside "
                    "INPUT.TXT, in the run folder",
                    name));
  for (const std::string_view own : {common::settings_file_name, common::source_out_name,
                                     std::string_view("RAINGEN.TXT"), std::string_view("NETWORK.TXT")})
    if (key == own) throw UsageError(fmt::format("the results name '{}' names another file of the run", name));
  const std::string device = key.substr(0, key.find('.'));
  const bool numbered = device.size() == 4 && (device.starts_with("COM") || device.starts_with("LPT")) &&
                        device[3] >= '1' && device[3] <= '9';
  if (device == "CON" || device == "PRN" || device == "AUX" || device == "NUL" || numbered)
    throw UsageError(
        fmt::format("the results name '{}' is a device name that some systems reserve: name a file", name));
}

}  // namespace

void check_settings(const Settings& s) {
  check_name("the results name", s.results_name, common::settings_name_width);
  if (s.results_name.empty() || s.results_name.front() == ' ')
    throw UsageError("the results name must begin with a character other than a blank");
  check_name("the site name", s.site_name, common::settings_name_width);
  for (std::size_t i = 0; i < 3; ++i) {
    const StationSetting& station = s.stations[i];
    if (station.id.empty()) throw UsageError(fmt::format("station {} has no identifier", i + 1));
    for (std::size_t j = 0; j < i; ++j)
      if (s.stations[j].id == station.id)
        throw UsageError(fmt::format("stations {} and {} have the same identifier '{}'", j + 1, i + 1, station.id));
    if (station.distance < 0 || station.distance > common::largest_distance)
      throw UsageError(fmt::format("the distance of station {} ({}) is not a whole number from 0 to {}", station.id,
                                   station.distance, common::largest_distance));
    for (const std::string& name : station.id.file_names())
      if (upper(s.results_name) == upper(name))
        throw UsageError(fmt::format("the results name '{}' names a station file", s.results_name));
  }
  check_results_name(s.results_name);
  if (s.day_count < 1 || s.day_count > common::most_days)
    throw UsageError(fmt::format("the number of days ({}) is not from 1 to {}{}", s.day_count, common::most_days,
                                 s.day_count > common::most_days
                                     ? ", the most one run makes: prepare INPUT.TXT with fewer and make the longer "
                                       "series with raingen-ensemble --days N (-n 1 for one)"
                                     : ""));
}

std::string settings_text(const Settings& s) {
  check_settings(s);
  constexpr std::size_t label = common::settings_label_width;
  std::string text =
      fmt::format("{:<{}}{}\r\n{:<{}}{}\r\n", "RESULTS FILE:", label, s.results_name, "SITE NAME:", label, s.site_name);
  for (int i = 0; i < 3; ++i)
    text += fmt::format("{:<{}}{}\r\n", fmt::format("STATION {}:", i + 1), label, s.stations[i].id);
  for (int i = 0; i < 3; ++i)
    text += fmt::format("{:<{}}{:>{}}\r\n", fmt::format("DISTANCE {}:", i + 1), label, s.stations[i].distance,
                        common::distance_width);
  text += fmt::format("{:<{}}{:>{}}\r\n", "NUMBER DAYS:", label, s.day_count, common::day_count_width);
  return text;
}

void write_settings(const std::filesystem::path& dir, const Settings& settings) {
  const std::string text = settings_text(settings);
  common::OutputFile out(dir / common::settings_file_name);
  out.write(text);
  out.commit();
}

std::string with_day_count(std::string_view text, int day_count) {
  std::size_t begin = 0;
  for (int record = 1; record < 9; ++record) begin = text.find('\n', begin) + 1;
  const std::size_t lf = text.find('\n', begin);
  std::string line(text.substr(begin, lf == std::string_view::npos ? std::string_view::npos : lf - begin));
  const std::size_t cr = line.find('\r');
  std::string data = line.substr(0, cr), ending = cr == std::string::npos ? std::string() : line.substr(cr);
  constexpr std::size_t last_column = value_column - 1 + common::day_count_width;
  if (data.size() < last_column) data.resize(last_column, ' ');
  data.replace(value_column - 1, common::day_count_width, fmt::format("{:>{}}", day_count, common::day_count_width));
  std::string result(text.substr(0, begin));
  result += data + ending;
  if (lf != std::string_view::npos) result += text.substr(lf);
  return result;
}

Settings read_settings(const std::filesystem::path& file) {
  // Nine short records: the first megabyte holds them, whatever else a wrong file holds.
  const std::string bytes = common::read_whole_file(file, 1 << 20);

  // Record by record, in the program's order, so that the first fault it would meet is the one named.
  std::string_view rest = bytes;
  long number = 0;
  const auto next_record = [&]() {
    if (rest.empty())
      throw ToolError(file.string(), number + 1,
                      fmt::format("is missing: the settings need nine records, the file has {}", number));
    ++number;
    const std::size_t lf = rest.find('\n');
    const std::string_view data = record_data(rest.substr(0, lf));
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    return data;
  };
  Settings s;
  s.results_name = without_blanks_around(columns(next_record(), value_column, common::settings_name_width));
  s.site_name = without_trailing_blanks(columns(next_record(), value_column, common::settings_name_width));
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string id = without_trailing_blanks(columns(next_record(), value_column, common::station_id_width));
    std::optional<StationId> checked = StationId::from(id);
    if (!checked)
      throw ToolError(file.string(), number,
                      fmt::format("station {} identifier '{}' must be {}", i + 1, id, station_id_rule));
    s.stations[i].id = *std::move(checked);
  }
  for (int i = 0; i < 3; ++i) {
    const std::string field = columns(next_record(), value_column, common::distance_width);
    s.stations[i].distance = integer_field(file, number, field, common::distance_width);
  }
  const std::string days = columns(next_record(), value_column, common::day_count_width);
  s.day_count = integer_field(file, number, days, common::day_count_width);
  return s;
}

}  // namespace raingen::stations
