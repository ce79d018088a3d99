#include "stats/reference_curve.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <fmt/format.h>

#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/tool_error.h"

namespace raingen::stats {

namespace {

using common::ToolError;

constexpr int minutes_a_year = 525600;
constexpr double deepest = 1e9;  // mm: no depth of this or more is taken, as in every record

const std::vector<std::string> short_header{"duration_minutes", "return_period_years", "depth_mm"};

std::size_t header_columns(const std::vector<std::string_view>& fields, const std::string& file, long line) {
  std::vector<std::string> columns;
  for (std::string_view f : fields) columns.push_back(common::lowercase(f));
  std::vector<std::string> full = short_header;
  full.insert(full.end(), {"lower_mm", "upper_mm"});
  if (columns == short_header || columns == full) return columns.size();
  throw ToolError(file, line,
                  "the header is neither duration_minutes,return_period_years,depth_mm nor that with "
                  ",lower_mm,upper_mm");
}

double number_in(std::string_view field, const char* what, const std::string& file, long line) {
  const std::optional<double> value = common::parse_real(field);
  if (!value || !std::isfinite(*value))
    throw ToolError(file, line, fmt::format("the {} '{}' is not a number", what, field));
  return *value;
}

ReferencePoint point_of(const std::vector<std::string_view>& fields, const std::string& file, long line) {
  ReferencePoint p;
  p.line = line;
  const double minutes = number_in(fields[0], "duration", file, line);
  if (minutes < 1 || minutes > minutes_a_year || std::floor(minutes) != minutes)
    throw ToolError(
        file, line,
        fmt::format("the duration '{}' is no whole number of minutes from 1 to {}", fields[0], minutes_a_year));
  p.minutes = static_cast<int>(minutes);
  p.years = number_in(fields[1], "return period", file, line);
  if (!(p.years > 1)) throw ToolError(file, line, fmt::format("the return period '{}' is not above 1 year", fields[1]));
  p.depth = number_in(fields[2], "depth", file, line);
  if (p.depth < 0 || p.depth >= deepest)
    throw ToolError(file, line, fmt::format("the depth '{}' is not from 0 to below 1e9 mm", fields[2]));
  if (fields.size() == 5 && !(fields[3].empty() && fields[4].empty())) {
    p.lower = number_in(fields[3], "lower depth", file, line);
    p.upper = number_in(fields[4], "upper depth", file, line);
    if (!(*p.lower <= p.depth && p.depth <= *p.upper))
      throw ToolError(file, line,
                      fmt::format("the interval {} to {} does not hold the depth {}", fields[3], fields[4], fields[2]));
  }
  return p;
}

}  // namespace

ReferenceCurve read_reference_curve(const std::string& file) {
  ReferenceCurve curve{file, {}};
  common::LineReader reader(file);
  std::string_view line;
  std::size_t columns = 0;
  std::map<std::pair<int, double>, long> seen;
  while (reader.next(line)) {
    const long number = reader.line_number();
    if (common::trimmed(line).empty()) continue;
    const std::vector<std::string_view> fields = common::split(line, ',');
    if (columns == 0) {
      columns = header_columns(fields, file, number);
      continue;
    }
    if (fields.size() != columns)
      throw ToolError(file, number, fmt::format("{} fields where the header has {}", fields.size(), columns));
    ReferencePoint p = point_of(fields, file, number);
    if (const auto [at, added] = seen.emplace(std::pair(p.minutes, p.years), number); !added)
      throw ToolError(
          file, number,
          fmt::format("{} minutes at {:g} years is given on line {} already", p.minutes, p.years, at->second));
    curve.points.push_back(p);
  }
  if (curve.points.empty())
    throw ToolError(file, 0,
                    "holds no point (a header duration_minutes,return_period_years,depth_mm, then a point a line)");
  return curve;
}

}  // namespace raingen::stats
