// One row of the program's results table: the time in minutes from the start of day 1 to the end
// of a 15-minute interval (columns 1-12) and the depth of that interval with three decimals and
// no 0 before the point (columns 13-21), e.g. "          75     .069".
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "calendar/time_point.h"

namespace raingen::results {

struct TableRow {
  calendar::Minutes minutes{0};  // end of the interval, from the start of day 1
  long thousandths = 0;          // the depth exactly as written: 1000 times the value in the table
  double depth() const { return static_cast<double>(thousandths) / 1000.0; }
};

// The row in a line, or what is wrong with the line. A field of asterisks (a value that did not
// fit its columns when the program wrote it) and a negative depth are errors, not values.
std::variant<TableRow, std::string> parse_table_row(std::string_view line);

// Whether the line has the shape of a row (21 columns, a digit in column 12): how a table is told
// apart from the heading of a results file before any row is taken as good.
bool looks_like_table_row(std::string_view line);

}  // namespace raingen::results
