#include "ensemble/realization_table.h"

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/tool_error.h"
#include "common/whole_file.h"
#include "results/results_table.h"

namespace raingen::ensemble {

float depth_as_float(long thousandths) { return static_cast<float>(static_cast<double>(thousandths) / 1000.0); }

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Digits from first to last (exclusive) after leading blanks, at least one and at most
// most_digits of them, into value; false for anything else.
bool blanks_then_digits(const char* first, const char* last, int most_digits, long& value) {
  while (first != last && *first == ' ') ++first;
  if (first == last || last - first > most_digits) return false;
  for (value = 0; first != last; ++first) {
    if (!is_digit(*first)) return false;
    value = value * 10 + (*first - '0');
  }
  return true;
}

}  // namespace

bool read_rows_as_written(std::string_view table, std::span<float> depths) {
  constexpr std::size_t line = 23;  // 21 columns, CR, LF
  if (table.size() != depths.size() * line) return false;
  for (std::size_t i = 0; i < depths.size(); ++i) {
    const char* row = table.data() + i * line;
    long minutes = 0, whole = 0;
    if (row[21] != '\r' || row[22] != '\n') return false;
    if (!blanks_then_digits(row, row + 12, 9, minutes) ||
        minutes != calendar::minutes_per_interval * static_cast<long>(i + 1))
      return false;
    // The depth's whole part may be blank (".069"); its decimals never are.
    if (row[16] == ' ') {
      if (std::string_view(row + 12, 5) != "     ") return false;
    } else if (!blanks_then_digits(row + 12, row + 17, 5, whole)) {
      return false;
    }
    if (row[17] != '.' || !is_digit(row[18]) || !is_digit(row[19]) || !is_digit(row[20])) return false;
    const long thousandths = whole * 1000 + (row[18] - '0') * 100 + (row[19] - '0') * 10 + (row[20] - '0');
    depths[i] = depth_as_float(thousandths);
  }
  return true;
}

std::optional<std::string> read_realization_table(const std::filesystem::path& path, std::span<float> depths) {
  const std::string shown = path.filename().string();
  try {
    if (read_rows_as_written(common::read_whole_file(path), depths)) return std::nullopt;
    results::ResultsTable table(path.string());
    results::TableRow row;
    std::size_t rows = 0;
    while (table.next(row)) {
      if (rows == depths.size())
        return fmt::format("{}:{}: the table goes on past the {} rows ({} days) that INPUT.TXT asks for", shown,
                           table.line_number(), depths.size(), depths.size() / calendar::intervals_per_day);
      depths[rows++] = depth_as_float(row.thousandths);
    }
    if (rows != depths.size())
      return fmt::format("{}: holds {} rows ({} days), but INPUT.TXT asks for {} days", shown, rows,
                         rows / calendar::intervals_per_day, depths.size() / calendar::intervals_per_day);
    return std::nullopt;
  } catch (const common::ToolError& error) {
    // The scratch path means nothing to the user once the directory is gone.
    const common::ToolError shown_error(shown, error.file().empty() ? 0 : error.line(), error.what());
    return common::located_message(shown_error);
  }
}

}  // namespace raingen::ensemble
