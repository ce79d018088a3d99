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

}  // namespace

std::string statistics_csv(const std::vector<const SeriesStatistics*>& series) {
  std::string text = "series,aggregation_minutes,statistic,value\n";
  for (const SeriesStatistics* s : series)
    for (const LevelStatistics& level : s->levels)
      for (const auto& [statistic, value] : level.values) {
        text += csv_field(s->name);
        text += ',';
        text += std::to_string(level.minutes);
        text += ',';
        text += statistic_name(statistic);
        text += ',';
        if (value) text += common::shortest_text(*value + 0.0);  // + 0.0: no "-0"
        text += '\n';
      }
  return text;
}

}  // namespace raingen::stats
