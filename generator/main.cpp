// The run driver: configuration, spell tables, seed, the three station series, the weighting and
// the results table, in this order. The order of the draws fixes which series a seed yields.
//
// Writes StationGrid (dry spells and resampled days of each station), the console line, lines 12
// onward of the results file (unit 100) and every record of SOURCE.OUT (unit 900).
#include "generator/record_helpers.h"
#include "generator/shared.h"
#include "records/connections.h"
#include "records/write_fields.h"

namespace raingen {
namespace {

// Interval by interval: the grid keeps the days of an interval together, far from the next
// interval's, so this order writes a spell's days of each interval side by side.
void fill_dry_days(int s, int first_day, int last_day) {
  for (int i = 1; i <= intervals_per_day; ++i)
    for (int d = first_day; d <= last_day; ++d) StationGrid(s, d, i) = 0.0f;
}

void copy_day_pattern(int s, int day) {
  for (int i = 1; i <= intervals_per_day; ++i) StationGrid(s, day, i) = DayPattern(s, i);
}

// Dry spells and wet days alternate; a spell that reaches the last day is cut there.
void build_station_series(int s) {
  const std::int32_t n = RunSettings.day_count;
  current_station = s;
  std::int32_t next_day = 1;
  do {
    draw_spell_length();
    const std::int32_t k = spell_length(s);
    const std::int32_t unfilled = n - next_day + 1;
    if (k >= unfilled) {
      fill_dry_days(s, next_day, n);
      return;
    }
    fill_dry_days(s, next_day, next_day + k - 1);
    draw_historical_day();
    next_day += k;
    copy_day_pattern(s, next_day);
    next_day += 1;
  } while (next_day <= n);
}

void write_table_heading() {
  write_list_directed(results_unit, " ");
  write_list_directed(results_unit, " ");
  records::WriteStatement write(results_unit, "(A12,A9)");
  write.text("TIME(MIN)");
  write.text("RAINFALL");
  write.end();
}

void write_row(int unit, std::int32_t minutes, float rainfall) {
  records::WriteStatement write(unit, "(I12,F9.3)");
  write.integer(minutes);
  write.real(rainfall);
  write.end();
}

// Each row goes to the results file and then to SOURCE.OUT, so both grow in step.
void write_table() {
  for (std::int32_t d = 1; d <= RunSettings.day_count; ++d) {
    for (std::int32_t i = 1; i <= intervals_per_day; ++i) {
      const std::int32_t minutes = (d - 1) * 1440 + 15 * i;
      write_row(results_unit, minutes, SiteSeries(d, i));
      write_row(source_unit, minutes, SiteSeries(d, i));
    }
  }
}

}  // namespace

void run_driver() {
  read_run_configuration();
  console_record("Program is Running, Please wait.");
  read_spell_tables();
  seed_from_clock();
  for (int s = 1; s <= station_count; ++s) build_station_series(s);
  weight_stations();
  write_table_heading();
  write_table();
  records::close_unit(results_unit);
  records::close_unit(source_unit);
}

}  // namespace raingen
