#include "exporting/ensemble_rows.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/tool_error.h"
#include "netcdf/cf_series.h"

namespace raingen::exporting {

EnsembleRows::EnsembleRows(const ensemble_file::EnsembleReader& reader, long index, std::string shown_name)
    : reader_(reader), index_(index), path_(std::move(shown_name)) {}

bool EnsembleRows::next(results::TableRow& row) {
  const std::size_t intervals = reader_.layout().intervals;
  if (next_ == intervals) return false;
  if (next_ == part_first_ + part_.size()) {
    part_first_ = next_;
    part_.resize(std::min(netcdf::cf_time_chunk, intervals - next_));
    reader_.read(index_, part_first_, part_);
  }
  const float depth = part_[next_ - part_first_];
  if (!std::isfinite(depth) || depth < 0 || depth == ensemble_file::failed_fill_value)
    throw common::ToolError(
        path_, 0,
        fmt::format("interval {} of realization {} holds {}, no depth of a run's table: the file is "
                    "damaged",
                    next_ + 1, reader_.layout().first_number() + index_, depth));
  ++next_;
  row.minutes = calendar::Minutes{static_cast<long>(next_) * calendar::minutes_per_interval};
  row.thousandths = std::lround(static_cast<double>(depth) * 1000);
  return true;
}

}  // namespace raingen::exporting
