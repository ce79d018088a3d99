// What two ensemble files to merge must share, whichever their layout: the series' start, clock and
// length, and the ensemble their parts come from. Each check returns the first difference as
// "WHAT (THIS, theirs THAT)" (this: the second file's, theirs: the first's), or "".
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "calendar/time_point.h"
#include "calendar/utc_offset.h"
#include "ensemble_file/ensemble_part.h"

namespace raingen::ensemble {

struct SeriesAxis {
  calendar::TimePoint start;
  std::optional<calendar::UtcOffset> utc_offset;
  std::size_t intervals = 0;
};

std::string axis_difference(const SeriesAxis& a, const SeriesAxis& b);
std::string part_difference(const ensemble_file::EnsemblePart& a, const ensemble_file::EnsemblePart& b);

}  // namespace raingen::ensemble
