// The rows of the program's table as its readers hand them on, one at a time: from a table file
// (results_table.h) or from a realization of an ensemble file. Where they come from names the
// row at hand in messages.
#pragma once

#include <string>

#include "results/table_row.h"

namespace raingen::results {

class TableRows {
 public:
  virtual ~TableRows() = default;
  // The next row; false after the last. Throws ToolError for a row that cannot be given.
  virtual bool next(TableRow& row) = 0;
  virtual const std::string& path() const = 0;
  virtual long line_number() const = 0;  // of the row at hand, 0 where rows have no lines
};

}  // namespace raingen::results
