#include "ensemble/realization_table.h"

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/program_files.h"
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

constexpr std::size_t row_bytes = common::table_row_width + 2;  // CR LF

// Writes value right-aligned into the width bytes at out, blanks before it.
void put_right_aligned(char* out, std::size_t width, long value) {
  std::size_t at = width;
  do {
    out[--at] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && at > 0);
  while (at > 0) out[--at] = ' ';
}

// The rows of a table as the program wrote them, each time counted on from first_row.
std::string relabelled(std::string_view table, long first_row) {
  std::string rows(table);
  for (std::size_t i = 0; i * row_bytes < rows.size(); ++i)
    put_right_aligned(rows.data() + i * row_bytes, common::table_time_width,
                      calendar::minutes_per_interval * (first_row + static_cast<long>(i) + 1));
  return rows;
}

}  // namespace

std::string table_row_text(long minutes, long thousandths) {
  std::string row(row_bytes, ' ');
  put_right_aligned(row.data(), common::table_time_width, minutes);
  char* depth = row.data() + common::table_time_width;
  put_right_aligned(depth + common::table_depth_width - 3, 3, thousandths % 1000 + 1000);  // "1ddd": the decimals
  depth[common::table_depth_width - 4] = '.';
  if (thousandths >= 1000) put_right_aligned(depth, common::table_depth_width - 4, thousandths / 1000);
  row[row_bytes - 2] = '\r';
  row[row_bytes - 1] = '\n';
  return row;
}

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

std::optional<std::string> read_realization_table(const std::filesystem::path& path, std::span<float> depths,
                                                  LaidOutRows* laid_out) {
  const std::string shown = path.filename().string();
  try {
    {
      const std::string bytes = common::read_whole_file(path);
      if (read_rows_as_written(bytes, depths)) {
        if (laid_out) laid_out->text = relabelled(bytes, laid_out->first_row);
        return std::nullopt;
      }
    }
    if (laid_out) laid_out->text.clear();
    results::ResultsTable table(path.string());
    results::TableRow row;
    std::size_t rows = 0;
    while (table.next(row)) {
      if (rows == depths.size())
        return fmt::format("{}:{}: the table goes on past the {} rows ({} days) that INPUT.TXT asks for", shown,
                           table.line_number(), depths.size(), depths.size() / calendar::intervals_per_day);
      if (laid_out)
        laid_out->text += table_row_text(
            calendar::minutes_per_interval * (laid_out->first_row + static_cast<long>(rows) + 1), row.thousandths);
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
