#include "stations/prepare_station.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "stations/spells.h"

namespace raingen::stations {

namespace {

using common::ToolError;

// The day as the number YYYYMMDD, the key of its index line.
std::int32_t date_key(calendar::Day day) {
  const date::year_month_day ymd{day};
  return static_cast<std::int32_t>(static_cast<int>(ymd.year()) * 10000 + static_cast<unsigned>(ymd.month()) * 100 +
                                   static_cast<unsigned>(ymd.day()));
}

DayRecord wet_day(const StationId& id, calendar::Day day, const double* depths) {
  DayRecord record;
  record.key = date_key(day);
  std::int64_t written = 0;
  for (std::size_t j = 0; j < record.depths.size(); ++j) {
    record.depths[j] = depths[j];
    written += hundredths(depths[j]);
  }
  const std::string date_text = calendar::day_text(day);
  record.label = fmt::format("{:<4} {}  TOTAL{:7.2f}", id, date_text, written / 100.0);
  record.note = fmt::format("  {} {:9.2f}", date_text, written / 100.0);
  return record;
}

}  // namespace

PreparedStation prepare_station(const gauge::CalendarSeries& series, const StationId& id,
                                const PrepareOptions& options, const std::string& source) {
  const RecordDays days = split_days(series, options.days);
  PreparedStation prepared;
  StationSummary& summary = prepared.summary;
  summary.first_day = days.first_day;
  summary.last_day = days.first_day + calendar::Days{static_cast<long>(days.size()) - 1};
  summary.wet_days = days.count(DayKind::wet);
  summary.dry_days = days.count(DayKind::dry);
  summary.incomplete_days = days.count(DayKind::incomplete);
  summary.complete_days = summary.wet_days + summary.dry_days;
  summary.filled_days = days.filled_days;
  summary.filled_intervals = days.filled_intervals;
  summary.total_read = days.total_read;

  if (summary.complete_days == 0)
    throw ToolError(source, 0, fmt::format("has no complete day: none of its {} {} has {:g}% of its intervals present",
                                           days.size(), days.size() == 1 ? "day" : "days",
                                           options.days.min_complete_percent));
  if (summary.wet_days == 0)
    throw ToolError(source, 0, fmt::format("has no wet day among its {} complete days (a day is wet above {:g} mm)",
                                           summary.complete_days, options.days.wet_threshold));
  const SpellCounts spells = count_spells(days.kinds);
  summary.spells_ended = spells.ended_total();
  summary.spells_censored = spells.censored_total();
  summary.longest_spell = spells.longest();
  if (summary.spells_ended == 0)
    throw ToolError(source, 0, "has no dry spell that ends in a wet day: no spell length can be estimated");
  if (summary.longest_spell > common::most_spell_entries)
    throw ToolError(source, 0, fmt::format("has a dry spell of {} days; a spell table holds at most {} entries",
                                           summary.longest_spell, common::most_spell_entries));
  summary.shares = spell_length_shares(spells);

  StationFiles& files = prepared.files;
  files.id = id;
  files.spell_entries = spell_table_entries(summary.shares, options.spell_table);
  files.spell_title = fmt::format("{} dry spells between wet days, {} table: {} ended, {} censored; {:.6f} of "
                                  "spells have 0 days",
                                  id, spell_table_name(options.spell_table), summary.spells_ended,
                                  summary.spells_censored, summary.shares[0]);
  files.spell_heading = "   LENGTH    ENTRY  SHARE OF SPELLS (estimated, not read)";
  for (std::size_t k = 1; k < summary.shares.size(); ++k) files.spell_notes.push_back(fmt::format("  {:.6f}", summary.shares[k]));

  std::int64_t written = 0;  // hundredths of a mm
  for (std::size_t d = 0; d < days.size(); ++d) {
    if (days.kinds[d] != DayKind::wet) continue;
    files.days.push_back(wet_day(id, days.first_day + calendar::Days{static_cast<long>(d)}, days.day_depths(d)));
    for (double mm : files.days.back().depths) {
      written += hundredths(mm);
      summary.wet_read += mm;
    }
  }
  summary.total_written = static_cast<double>(written) / 100.0;
  DayRecord copy = files.days.back();
  copy.note += "  copy of the last wet day, so that the program draws it as often as the others";
  files.days.push_back(copy);
  files.index_number = static_cast<std::int32_t>(summary.wet_days);
  files.index_title = fmt::format(" wet days of {} from {}, 15-minute depths in mm, and one copy of the last", id,
                                  calendar::day_text(summary.first_day));
  files.index_heading = "      KEY  DATE        TOTAL(MM)";
  return prepared;
}

}  // namespace raingen::stations
