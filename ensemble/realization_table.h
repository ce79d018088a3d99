// A realization's SOURCE.OUT taken into the ensemble: every row read and checked as the results
// table reader checks it, each depth stored as the 32-bit float nearest to the table's
// three-decimal value.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace raingen::ensemble {

// The 32-bit float nearest to thousandths / 1000 (ties to even). Dividing in double and rounding
// once more to float gives exactly that: a double quotient of this kind never lands on a point
// halfway between two floats unless the exact value lies there too.
float depth_as_float(long thousandths);

// The table as the program writes it, taken straight from its bytes: exactly depths.size() rows
// of 21 columns and CR LF, times 15, 30, ... (blanks, then at most 9 digits), depths of blanks,
// digits, the point in column 18 and three digits. Returns false, depths unfinished, for anything
// else; a table it takes, the results table reader takes with the same values. It spares the
// ensemble's own process almost a third of its work per realization.
bool read_rows_as_written(std::string_view table, std::span<float> depths);

// The rows of a block's table as they lie in the table of the whole series: each row's time counted
// on from the rows before the block (first_row of them), in the program's own columns: the time
// right-aligned in 12, the depth as it was written.
struct LaidOutRows {
  long first_row = 0;
  std::string text;
};

// Fills depths (one per row) from the table at path, through read_rows_as_written when it can,
// else through the results table reader, and the rows laid out when rows is given. Returns what
// is wrong when the table does not parse or does not hold exactly depths.size() rows
// ("SOURCE.OUT:LINE: what"), none when it does.
std::optional<std::string> read_realization_table(const std::filesystem::path& path, std::span<float> depths,
                                                  LaidOutRows* rows = nullptr);

// A row of the program's table: "(I12,F9.3)" with CR LF, the depth without a 0 before the point.
std::string table_row_text(long minutes, long thousandths);

}  // namespace raingen::ensemble
