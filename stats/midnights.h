// Rain that runs on across midnight. The generator draws each day whole and on its own, so a
// storm that reaches midnight goes on into the next day only when the next day drawn happens to
// begin wet: the share of wet day-ends followed by a wet day-start measures that cut.
#pragma once

#include <cstddef>
#include <optional>

#include "gauge/calendar_series.h"

namespace raingen::stats {

struct Midnights {
  std::size_t ending_wet = 0;           // midnights whose interval before is wet and interval after present
  std::size_t running_on = 0;           // of those, the ones whose interval after is wet too
  std::optional<double> share() const;  // running_on / ending_wet; none without a wet day-end
};

// Reads the series' intervals on either side of each midnight; an interval is wet above
// dry_threshold mm (gauge/dry_day.h); a missing interval on either side leaves the midnight out.
Midnights midnights_of(const gauge::CalendarSeries& series, double dry_threshold);

}  // namespace raingen::stats
