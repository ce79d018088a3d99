// The days of a network: one list of dates for all its sites. A day counts for the network when it
// is complete at every site (and so lies in every site's record); it is wet when any site is wet,
// dry when every site is. Each site is then prepared on these kinds (stations::prepare_days), so
// that every site station has the same wet dates in the same order and the same spell table.
#pragma once

#include <cstddef>
#include <vector>

#include "stations/days.h"

namespace raingen::network {

// The kinds of one site's days from its first day.
struct DayKinds {
  calendar::Day first_day{};
  std::vector<stations::DayKind> kinds;
};

// The kinds split_days gives the series' days, without keeping their depths.
DayKinds kinds_of(const gauge::CalendarSeries& series, const stations::DayOptions& options);

// The network's days over the days every site's record covers (empty kinds when there is none):
// incomplete where any site is, else wet where any site is wet, else dry.
DayKinds network_kinds(const std::vector<DayKinds>& sites);

// days restricted to count days from first (which it covers), in the layout of RecordDays.
stations::RecordDays days_from(const stations::RecordDays& days, calendar::Day first, std::size_t count);

}  // namespace raingen::network
