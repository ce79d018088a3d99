// A record prepared as a station of the program: its days, spells and the three station files,
// from one calendar series. Pure: nothing is read or written here.
#pragma once

#include <string>
#include <vector>

#include "gauge/calendar_series.h"
#include "stations/days.h"
#include "stations/spell_table.h"
#include "stations/station_files.h"
#include "stations/station_id.h"

namespace raingen::stations {

struct PrepareOptions {
  DayOptions days;
  SpellTableKind spell_table = SpellTableKind::matched;
};

// What the preparation found, for the summary.
struct StationSummary {
  calendar::Day first_day{}, last_day{};
  long complete_days = 0, incomplete_days = 0, wet_days = 0, dry_days = 0;
  long filled_days = 0, filled_intervals = 0;
  long spells_ended = 0, spells_censored = 0;
  int longest_spell = 0;
  double total_read = 0;     // mm on complete days, as read
  double wet_read = 0;       // mm on the wet days, as read
  double total_written = 0;  // mm on the wet days as written (the extra copy not counted)
  std::vector<double> shares;  // estimated share of spells of 0..N days
};

struct PreparedStation {
  StationFiles files;
  StationSummary summary;
};

// Prepares series as station id. The day file holds every complete wet day in date order and
// then one more copy of the last: the program draws record trunc((N - 1) r) + 1 of N, so without
// the copy the last wet day would almost never come up. Throws ToolError, naming source, when
// the record has no wet day, no spell to measure, or a spell longer than a table holds
// (common::most_spell_entries).
PreparedStation prepare_station(const gauge::CalendarSeries& series, const StationId& id,
                                const PrepareOptions& options, const std::string& source);

}  // namespace raingen::stations
