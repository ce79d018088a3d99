// The rows of one realization of a one-site ensemble file, as the table of that realization's run
// gives them: the file holds each depth as the float nearest to the table's three decimals, and
// the nearest thousandth to that float is the table's depth again. Read a part at a time, so
// that memory does not grow with the series.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ensemble_file/ensemble_file.h"
#include "results/table_rows.h"

namespace raingen::exporting {

class EnsembleRows final : public results::TableRows {
 public:
  // Realization index (from 0) of the reader's file (shown_name in messages), which must outlive
  // the rows.
  EnsembleRows(const ensemble_file::EnsembleReader& reader, long index, std::string shown_name);

  bool next(results::TableRow& row) override;
  const std::string& path() const override { return path_; }
  long line_number() const override { return 0; }

 private:
  const ensemble_file::EnsembleReader& reader_;
  long index_;
  std::string path_;
  std::vector<float> part_;
  std::size_t part_first_ = 0, next_ = 0;
};

}  // namespace raingen::exporting
