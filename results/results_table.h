// Reading the program's results table, streamed row by row: from SOURCE.OUT (the rows alone) or
// from a results file (its fourteen heading lines, then the same rows). Which of the two a file is
// comes from its first line. Every row is checked as it is read: it parses, the times step by 15
// minutes from 15, and the table ends on a whole day, as the program writes it. Memory does not
// grow with the length of the table.
#pragma once

#include <optional>
#include <string>

#include "common/line_reader.h"
#include "results/table_row.h"
#include "results/table_rows.h"

namespace raingen::results {

enum class TableSource { source_out, results_file };

class ResultsTable final : public TableRows {
 public:
  // Opens the file and reads the heading of a results file, if it has one. Throws ToolError
  // (FILE:LINE) for a file that is neither a results file nor a table, or a heading cut short.
  explicit ResultsTable(const std::string& path);

  TableSource source() const { return source_; }
  // The site name of a results file's heading, without its padding blanks; none for SOURCE.OUT
  // or a blank name.
  const std::optional<std::string>& site_name() const { return site_name_; }

  // The next row; false after the last, once the table is known to be whole. Throws ToolError
  // (FILE:LINE) for a row that does not parse, a time out of step, a table that ends part way
  // through a day, or a file without any row.
  bool next(TableRow& row) override;

  const std::string& path() const override { return lines_.path(); }
  long line_number() const override { return lines_.line_number(); }
  long rows_read() const { return rows_; }

 private:
  void read_heading();
  [[noreturn]] void fail(const std::string& what) const;

  common::LineReader lines_;
  TableSource source_ = TableSource::source_out;
  std::optional<std::string> site_name_;
  std::optional<std::string_view> pending_;  // SOURCE.OUT's first line, read to recognise it
  long rows_ = 0;
  bool ended_ = false;
};

}  // namespace raingen::results
