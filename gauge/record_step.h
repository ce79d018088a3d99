// The step of an interval record (csv, swmm): the smallest spacing between consecutive readings,
// told alike by every reader of interval depths.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "calendar/time_point.h"

namespace raingen::gauge {

// A reading of an interval record: its time as stamped, its depth in mm (NaN: missing), its line.
struct Reading {
  calendar::TimePoint time;
  double depth;
  long line;
};

// The smallest spacing between consecutive readings; none for fewer than two. Throws ToolError
// (path and line) for a reading that does not come after the one before, or a step coarser than
// 15 minutes unless coarse steps are allowed, naming the first line that shows the smallest
// spacing.
std::optional<calendar::Minutes> infer_step(const std::string& path, std::span<const Reading> readings,
                                            bool coarse_allowed = false);

}  // namespace raingen::gauge
