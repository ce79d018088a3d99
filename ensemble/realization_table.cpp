#include "ensemble/realization_table.h"

#include <fmt/format.h>

#include "common/tool_error.h"
#include "gauge/calendar_series.h"
#include "results/results_table.h"

namespace raingen::ensemble {

float depth_as_float(long thousandths) { return static_cast<float>(static_cast<double>(thousandths) / 1000.0); }

std::optional<std::string> read_realization_table(const std::filesystem::path& path, std::span<float> depths) {
  const std::string shown = path.filename().string();
  try {
    results::ResultsTable table(path.string());
    results::TableRow row;
    std::size_t rows = 0;
    while (table.next(row)) {
      if (rows == depths.size())
        return fmt::format("{}:{}: the table goes on past the {} rows ({} days) that INPUT.TXT asks for", shown,
                           table.line_number(), depths.size(), depths.size() / gauge::intervals_per_day);
      depths[rows++] = depth_as_float(row.thousandths);
    }
    if (rows != depths.size())
      return fmt::format("{}: holds {} rows ({} days), but INPUT.TXT asks for {} days", shown, rows,
                         rows / gauge::intervals_per_day, depths.size() / gauge::intervals_per_day);
    return std::nullopt;
  } catch (const tools::ToolError& error) {
    // The scratch path means nothing to the user once the directory is gone.
    const tools::ToolError shown_error(shown, error.file().empty() ? 0 : error.line(), error.what());
    return tools::located_message(shown_error);
  }
}

}  // namespace raingen::ensemble
