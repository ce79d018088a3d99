#include "stats/statistics_csv.h"

#include "common/numbers.h"

namespace raingen::stats {

namespace {

// Series names come from gauge identifiers, which may hold a comma or a quote.
std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

void add_number(std::string& text, const std::optional<double>& value) {
  text += ',';
  if (value) text += common::shortest_text(*value + 0.0);  // + 0.0: no "-0"
}

void add_row(std::string& text, const CsvRow& row) {
  text += csv_field(row.series);
  text += ',';
  if (row.minutes) text += std::to_string(*row.minutes);
  text += ',';
  text += csv_field(row.statistic);
  for (const auto* number : {&row.value, &row.x, &row.lower, &row.upper}) add_number(text, *number);
  text += '\n';
}

}  // namespace

std::string statistics_csv(const std::vector<const SeriesStatistics*>& series, const std::vector<CsvRow>& more) {
  std::string text = statistics_csv_header;
  for (const SeriesStatistics* s : series)
    for (const LevelStatistics& level : s->levels)
      for (const auto& [statistic, value] : level.values)
        add_row(text, {s->name, level.minutes, std::string(statistic_name(statistic)), value, {}, {}, {}});
  for (const CsvRow& row : more) add_row(text, row);
  return text;
}

std::string csv_row_text(const CsvRow& row) {
  std::string text;
  add_row(text, row);
  return text;
}

}  // namespace raingen::stats
