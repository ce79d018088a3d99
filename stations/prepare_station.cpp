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

// The days of kinds complete at a percentage (days outside not counted).
long complete_at(const RecordDays& days, const std::vector<DayKind>& kinds, double percent) {
  long complete = 0;
  for (std::size_t d = 0; d < kinds.size(); ++d)
    complete += kinds[d] != DayKind::outside && is_complete(days.present[d], percent) ? 1 : 0;
  return complete;
}

// The days each suggested --min-complete keeps, when the default keeps fewer than half of them and
// a lower percentage would keep more.
std::vector<std::pair<double, long>> suggested_completeness(const RecordDays& days, const std::vector<DayKind>& kinds,
                                                            long day_count, double min_complete_percent) {
  const long complete = complete_at(days, kinds, min_complete_percent);
  if (min_complete_percent != 100 || 2 * complete >= day_count ||
      complete_at(days, kinds, suggested_min_complete.back()) == complete)
    return {};
  std::vector<std::pair<double, long>> kept;
  for (double percent : suggested_min_complete) kept.emplace_back(percent, complete_at(days, kinds, percent));
  return kept;
}

// The counts of the summary over the days of kinds that are not outside.
void count_days(const RecordDays& days, const std::vector<DayKind>& kinds, StationSummary& s) {
  for (std::size_t d = 0; d < kinds.size(); ++d) {
    switch (kinds[d]) {
      case DayKind::outside: continue;
      case DayKind::incomplete: ++s.incomplete_days; break;
      case DayKind::wet: ++s.wet_days; break;
      case DayKind::dry: ++s.dry_days; break;
    }
    ++s.days;
    if (kinds[d] == DayKind::incomplete) continue;
    if (days.present[d] < calendar::intervals_per_day) {
      ++s.filled_days;
      s.filled_intervals += calendar::intervals_per_day - days.present[d];
    }
    const double* depth = days.day_depths(d);
    for (int j = 0; j < calendar::intervals_per_day; ++j) s.total_read += depth[j];
  }
  s.complete_days = s.wet_days + s.dry_days;
}

// Refuses a record with too few complete or wet days to draw from.
void check_days(const StationSummary& s, const PrepareOptions& options, const std::string& station,
                const std::string& source, const std::string& wider) {
  const long day_count = s.days;
  const double percent = options.days.min_complete_percent;
  const std::string lower =
      s.complete_at.empty()
          ? std::string(percent > suggested_min_complete.back() ? ", or a lower --min-complete" : "")
          : fmt::format(
                "; {}: a gauge that loses a few readings a day keeps more days at a lower --min-complete (the "
                "missing intervals of a day kept are taken as dry)",
                complete_at_text(s.complete_at));
  if (s.complete_days == 0)
    throw ToolError(
        source, 0,
        fmt::format("{} has no complete day: none of its {} {} has {:g}% of its intervals present{}", station,
                    day_count, day_count == 1 ? "day" : "days", percent, s.complete_at.empty() ? "" : lower));
  if (s.complete_days < options.minimum.complete_days)
    throw ToolError(source, 0,
                    fmt::format("{} keeps {} complete days of {} (--min-complete {:g}); at least {} are needed to draw "
                                "from{}",
                                station, s.complete_days, day_count, percent, options.minimum.complete_days,
                                (s.complete_at.empty() ? ": give a longer record" + lower : lower) + wider));
  if (s.wet_days == 0)
    throw ToolError(source, 0,
                    fmt::format("{} has no wet day among its {} complete days (a day is wet above {:g} mm){}", station,
                                s.complete_days, options.days.wet_threshold, wider));
  if (s.wet_days < options.minimum.wet_days)
    throw ToolError(
        source, 0,
        fmt::format("{} has {} wet days among its {} complete days (wet above {:g} mm); at least {} are "
                    "needed to draw from: give a longer record{}{}",
                    station, s.wet_days, s.complete_days, options.days.wet_threshold, options.minimum.wet_days,
                    options.days.wet_threshold > 0 ? ", or a lower --wet-threshold" : "", wider));
}

// Refuses spells that give no table, or one longer than the program's.
void check_spells(const StationSummary& s, const PrepareOptions& options, const std::string& station,
                  const std::string& source, const std::string& wider) {
  if (s.spells_ended == 0)
    throw ToolError(
        source, 0,
        fmt::format("{} has no dry spell that ends in a wet day: no spell length can be estimated{}", station, wider));
  if (s.longest_spell == 0)
    throw ToolError(source, 0,
                    fmt::format("{} has no dry day between wet days: its {} dry spells all end after 0 days, so its "
                                "spell table would have no entries and the program would make every day wet; give a "
                                "record with dry days between its wet days{}{}",
                                station, s.spells_ended + s.spells_censored,
                                options.days.wet_threshold == 0 ? ", or a --wet-threshold above 0 if traces wet them"
                                                                : ", or a higher --wet-threshold",
                                wider));
  if (s.longest_spell > common::most_spell_entries)
    throw ToolError(source, 0,
                    fmt::format("{} has a dry spell of {} days; a spell table holds at most {} entries", station,
                                s.longest_spell, common::most_spell_entries));
}

}  // namespace

std::string complete_at_text(const std::vector<std::pair<double, long>>& complete_at) {
  std::string text;
  for (const auto& [percent, days] : complete_at)
    text += text.empty() ? fmt::format("--min-complete {:g} would keep {} days", percent, days)
                         : fmt::format(", {:g} {}", percent, days);
  return text;
}

RecordDays record_days(const gauge::CalendarSeries& series, const PrepareOptions& options, const std::string& source,
                       std::optional<ChangeResult>* change) {
  RecordDays days = split_days(series, options.days);
  if (options.change) *change = change_days(days, *options.change, source);
  return days;
}

ToolError thinned_by_change(const ToolError& thin, const PrepareOptions& options,
                            const std::optional<ChangeResult>& change) {
  if (!change || change->removed == 0) return thin;
  return ToolError(thin.file(), thin.line(),
                   fmt::format("{} (after --change {} made {} of the record's {} wet days dry)", thin.message(),
                               options.change->text, change->removed, change->wet_before));
}

PreparedStation prepare_station(const gauge::CalendarSeries& series, const StationId& id, const PrepareOptions& options,
                                const std::string& source) {
  std::optional<ChangeResult> change;
  const RecordDays days = record_days(series, options, source, &change);
  try {
    PreparedStation prepared = prepare_days(days, days.kinds, id, options, source);
    prepared.summary.change = change;
    if (options.tail) prepared.summary.tail = widen_pool(prepared.files, days, *options.tail, source);
    return prepared;
  } catch (const ToolError& thin) {
    throw thinned_by_change(thin, options, change);
  }
}

PreparedStation prepare_days(const RecordDays& days, const std::vector<DayKind>& kinds, const StationId& id,
                             const PrepareOptions& options, const std::string& source,
                             const std::optional<Season>& season) {
  PreparedStation prepared;
  StationSummary& summary = prepared.summary;
  summary.first_day = days.first_day;
  summary.last_day = days.first_day + calendar::Days{static_cast<long>(days.size()) - 1};
  count_days(days, kinds, summary);

  const std::string station =
      season ? fmt::format("station {} in season {}", id, season->name()) : fmt::format("station {}", id);
  const std::string wider = season ? fmt::format(" (or wider seasons: {} holds {} of the record's {} days)",
                                                 season->name(), summary.days, days.size())
                                   : std::string();
  if (season && summary.days == 0)
    throw ToolError(source, 0,
                    fmt::format("station {} has no day in season {} ({}): the record runs from {} to {}; give a record "
                                "that covers every season, or wider seasons",
                                id, season->name(), season->months_text(), calendar::day_text(summary.first_day),
                                calendar::day_text(summary.last_day)));
  summary.complete_at = suggested_completeness(days, kinds, summary.days, options.days.min_complete_percent);
  check_days(summary, options, station, source, wider);
  const SpellCounts spells = count_spells(kinds);
  summary.spells_ended = spells.ended_total();
  summary.spells_censored = spells.censored_total();
  summary.longest_spell = spells.longest();
  check_spells(summary, options, station, source, wider);
  summary.shares = spell_length_shares(spells);

  StationFiles& files = prepared.files;
  files.id = id;
  files.spell_entries = spell_table_entries(summary.shares, options.spell_table);
  files.spell_title = fmt::format(
      "{} dry spells between wet days{}, {} table: {} ended, {} censored; {:.6f} of "
      "spells have 0 days",
      id, season ? " in " + season->name() : "", spell_table_name(options.spell_table), summary.spells_ended,
      summary.spells_censored, summary.shares[0]);
  files.spell_heading = "   LENGTH    ENTRY  SHARE OF SPELLS (estimated, not read)";
  for (std::size_t k = 1; k < summary.shares.size(); ++k)
    files.spell_notes.push_back(fmt::format("  {:.6f}", summary.shares[k]));

  std::int64_t written = 0;  // hundredths of a mm
  for (std::size_t d = 0; d < days.size(); ++d) {
    if (kinds[d] != DayKind::wet) continue;
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
  files.index_title = fmt::format(" wet days of {}{} from {}, 15-minute depths in mm, and one copy of the last", id,
                                  season ? " in " + season->months_text() : "", calendar::day_text(summary.first_day));
  files.index_heading = "      KEY  DATE        TOTAL(MM)";
  return prepared;
}

}  // namespace raingen::stations
