#include "stations/settings_file.h"

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/tool_error.h"

namespace raingen::stations {

namespace {

using common::ToolError;
using common::UsageError;

constexpr const char* suffixes[] = {"D_3.TXT", "F_2.TXT", "F_3.TXT"};

void check_name(const std::string& what, const std::string& name, std::size_t width) {
  if (name.size() > width)
    throw UsageError(fmt::format("{} '{}' is longer than its {} characters", what, name, width));
  for (unsigned char c : name)
    if (c < ' ' || c > '~') throw UsageError(fmt::format("{} '{}' holds a character other than printable ASCII", what, name));
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
int integer_field(const std::filesystem::path& file, long line, const std::string& field, const char* columns_text) {
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
      throw ToolError(file.string(), line, fmt::format("columns {} hold '{}', not a whole number", columns_text, field));
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

}  // namespace

std::string station_file_name(const std::string& id, const char* suffix) {
  std::string name = id;
  if (name.size() < 4) name.append(4 - name.size(), ' ');
  return name + suffix;
}

void check_settings(const Settings& s) {
  check_name("the results name", s.results_name, 11);
  if (s.results_name.empty() || s.results_name.front() == ' ')
    throw UsageError("the results name must begin with a character other than a blank");
  check_name("the site name", s.site_name, 11);
  for (std::size_t i = 0; i < 3; ++i) {
    const StationSetting& station = s.stations[i];
    check_name(fmt::format("station {} identifier", i + 1), station.id, 4);
    if (station.id.empty() || station.id.find_first_of(" /") != std::string::npos)
      throw UsageError(fmt::format("station {} identifier '{}' must be 1 to 4 characters, no blank or '/'", i + 1, station.id));
    for (std::size_t j = 0; j < i; ++j)
      if (s.stations[j].id == station.id)
        throw UsageError(fmt::format("stations {} and {} have the same identifier '{}'", j + 1, i + 1, station.id));
    if (station.distance < 0 || station.distance > 999)
      throw UsageError(fmt::format("the distance of station {} ({}) is not a whole number from 0 to 999", station.id,
                                   station.distance));
    for (const char* suffix : suffixes)
      if (s.results_name == station_file_name(station.id, suffix))
        throw UsageError(fmt::format("the results name '{}' names a station file", s.results_name));
  }
  if (s.results_name == "INPUT.TXT" || s.results_name == "SOURCE.OUT")
    throw UsageError(fmt::format("the results name '{}' names another file of the run", s.results_name));
  if (s.day_count < 1 || s.day_count > 2000)
    throw UsageError(fmt::format("the number of days ({}) is not from 1 to 2000", s.day_count));
}

std::string settings_text(const Settings& s) {
  check_settings(s);
  std::string text = fmt::format("{:<14}{}\r\n{:<14}{}\r\n", "RESULTS FILE:", s.results_name, "SITE NAME:", s.site_name);
  for (int i = 0; i < 3; ++i) text += fmt::format("{:<14}{}\r\n", fmt::format("STATION {}:", i + 1), s.stations[i].id);
  for (int i = 0; i < 3; ++i)
    text += fmt::format("{:<14}{:>3}\r\n", fmt::format("DISTANCE {}:", i + 1), s.stations[i].distance);
  text += fmt::format("{:<14}{:>4}\r\n", "NUMBER DAYS:", s.day_count);
  return text;
}

void write_settings(const std::filesystem::path& dir, const Settings& settings) {
  const std::string text = settings_text(settings);
  common::OutputFile out(dir / "INPUT.TXT");
  out.write(text);
  out.commit();
}

Settings read_settings(const std::filesystem::path& file) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (!in) throw ToolError(file.string(), 0, "cannot be read");
  std::string bytes;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0 && bytes.size() < (1 << 20)) bytes.append(buffer, n);
  const bool failed = std::ferror(in);
  std::fclose(in);
  if (failed) throw ToolError(file.string(), 0, "cannot be read");

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
  s.results_name = without_blanks_around(columns(next_record(), 15, 11));
  s.site_name = without_trailing_blanks(columns(next_record(), 15, 11));
  for (int i = 0; i < 3; ++i) s.stations[i].id = without_trailing_blanks(columns(next_record(), 15, 4));
  for (int i = 0; i < 3; ++i) {
    const std::string field = columns(next_record(), 15, 3);
    s.stations[i].distance = integer_field(file, number, field, "15-17");
  }
  const std::string days = columns(next_record(), 15, 4);
  s.day_count = integer_field(file, number, days, "15-18");
  return s;
}

}  // namespace raingen::stations
