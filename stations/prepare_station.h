// A record prepared as a station of the program: its days, spells and the three station files,
// from one calendar series. Pure: nothing is read or written here.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/tool_error.h"
#include "gauge/calendar_series.h"
#include "gauge/fragments.h"
#include "stations/climate_change.h"
#include "stations/changed_days.h"
#include "stations/days.h"
#include "stations/spell_table.h"
#include "stations/station_files.h"
#include "stations/station_id.h"
#include "stations/tail.h"

namespace raingen::stations {

// The least a record must give the program to draw from: with fewer complete days or wet days the
// generated series is a few days over and over.
inline constexpr long least_complete_days = 30;
inline constexpr long least_wet_days = 10;
// What --min-complete percentages a summary or refusal weighs when the default (100) keeps fewer
// than half of a record's days: a gauge that loses a few readings a day keeps many more below it.
inline constexpr std::array<double, 4> suggested_min_complete{99, 95, 90, 80};

struct RecordMinimum {
  long complete_days = least_complete_days;
  long wet_days = least_wet_days;
};

struct PrepareOptions {
  DayOptions days{};
  SpellTableKind spell_table = SpellTableKind::matched;
  RecordMinimum minimum{};
  // --change: the record's days changed before they are prepared. Not owned: a plain pointer keeps
  // these options a value that tables of them can hold (the command line's use owns the change).
  const ClimateChange* change = nullptr;
  const TailRequest* tail = nullptr;                 // --tail: the pool widened beyond the record (the same ownership)
  const gauge::FragmentSource* fragments = nullptr;  // --fragments-from: coarse records made 15-minute
};

// What the preparation found, for the summary.
struct StationSummary {
  calendar::Day first_day{}, last_day{};  // the record's
  long days = 0;                          // of the record, or of its season: the days counted below
  long complete_days = 0, incomplete_days = 0, wet_days = 0, dry_days = 0;
  long filled_days = 0, filled_intervals = 0;
  long spells_ended = 0, spells_censored = 0;
  int longest_spell = 0;
  double total_read = 0;       // mm on complete days, as read
  double wet_read = 0;         // mm on the wet days, as read
  double total_written = 0;    // mm on the wet days as written (the extra copy not counted)
  std::vector<double> shares;  // estimated share of spells of 0..N days
  // At the default --min-complete, when it keeps fewer than half of the days and a lower one would
  // keep more: the days each of suggested_min_complete keeps.
  std::vector<std::pair<double, long>> complete_at;
  std::optional<ChangeResult> change;  // what --change did to the record's days
  std::optional<TailResult> tail;      // what --tail did to the pool
};

// "--min-complete 99 would keep 202 days, 95 310, 90 650, 80 740".
std::string complete_at_text(const std::vector<std::pair<double, long>>& complete_at);

struct PreparedStation {
  StationFiles files;
  StationSummary summary;
};

// Prepares series as station id. The day file holds every complete wet day in date order and
// then one more copy of the last: the program draws record trunc((N - 1) r) + 1 of N, so without
// the copy the last wet day would almost never come up. Throws ToolError, naming source and the
// station, with the numbers and what to do, when the record has fewer complete or wet days than
// options.minimum, no spell to measure, no dry day between wet days (a spell table of no entries
// would make every day wet), or a spell longer than a table holds (common::most_spell_entries).
PreparedStation prepare_station(const gauge::CalendarSeries& series, const StationId& id, const PrepareOptions& options,
                                const std::string& source);

// The days of series (split_days), changed by options.change when it is given (its result in
// *change). Throws ToolError naming source as wet_day_change does.
RecordDays record_days(const gauge::CalendarSeries& series, const PrepareOptions& options, const std::string& source,
                       std::optional<ChangeResult>* change);

// A refusal of prepare_days on days a wet-day change thinned, saying so: the message of thin with
// how many wet days the change made dry.
common::ToolError thinned_by_change(const common::ToolError& thin, const PrepareOptions& options,
                                    const std::optional<ChangeResult>& change);

// The same from the days of a record (split_days) and their kinds: the record's own, or those of
// one season (kinds_in_season), whose files then hold only its days and whose spells end at the
// season's end. A refusal names the season and adds that wider seasons hold more days.
PreparedStation prepare_days(const RecordDays& days, const std::vector<DayKind>& kinds, const StationId& id,
                             const PrepareOptions& options, const std::string& source,
                             const std::optional<Season>& season = std::nullopt);

}  // namespace raingen::stations
