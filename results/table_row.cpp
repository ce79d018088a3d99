#include "results/table_row.h"

#include "common/program_files.h"

namespace raingen::results {

namespace {

constexpr std::size_t time_width = common::table_time_width;
constexpr std::size_t depth_width = common::table_depth_width;
constexpr std::size_t row_width = common::table_row_width;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string quoted(std::string_view text) {
  std::string out(1, '\'');
  out.append(text);
  out += '\'';
  return out;
}

std::string_view without_leading_blanks(std::string_view field) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  return field;
}

bool all_asterisks(std::string_view field) { return field.find_first_not_of('*') == std::string_view::npos; }

}  // namespace

bool looks_like_table_row(std::string_view line) {
  return line.size() == row_width && (is_digit(line[time_width - 1]) || line[time_width - 1] == '*');
}

std::variant<TableRow, std::string> parse_table_row(std::string_view line) {
  if (line.size() != row_width)
    return "not a table row: a row has 21 columns, the time in 1-12 and the depth in 13-21 (this line has " +
           std::to_string(line.size()) + ")";
  TableRow row;

  const std::string_view time_field = line.substr(0, time_width);
  const std::string_view time = without_leading_blanks(time_field);
  if (!time.empty() && all_asterisks(time))
    return "the time is asterisks: the program could not write it in its 12 columns";
  if (time.empty() || time.size() > 9) return "the time " + quoted(time_field) + " is not a whole number of minutes";
  long minutes = 0;
  for (char c : time) {
    if (!is_digit(c)) return "the time " + quoted(time_field) + " is not a whole number of minutes";
    minutes = minutes * 10 + (c - '0');
  }
  row.minutes = calendar::Minutes{minutes};

  const std::string_view depth_field = line.substr(time_width, depth_width);
  std::string_view depth = without_leading_blanks(depth_field);
  if (!depth.empty() && all_asterisks(depth))
    return "the depth is asterisks: the value did not fit its 9 columns when the program wrote it";
  const auto not_a_depth = [&] { return "the depth " + quoted(depth_field) + " is not a number with three decimals"; };
  if (!depth.empty() && depth.front() == '-') return "the depth " + quoted(depth_field) + " is negative";
  // Integer digits (none when the value is below 1), the point, exactly three decimals.
  if (depth.size() < 4 || depth[depth.size() - 4] != '.') return not_a_depth();
  for (std::size_t k = 0; k < depth.size(); ++k) {
    if (k == depth.size() - 4) continue;
    if (!is_digit(depth[k])) return not_a_depth();
    row.thousandths = row.thousandths * 10 + (depth[k] - '0');
  }
  return row;
}

}  // namespace raingen::results
