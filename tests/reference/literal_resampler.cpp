// The day resampler as first written: every draw rereads both station files from their start.
// Kept as the reference that the program's resampler must agree with, in tests and the
// benchmark; the program itself never calls it.
//
// Reads current_station and its day_record_count; takes one random value; rereads the station's
// F_3 index (unit 10*c+3) and F_2 day records (unit 10*c+2) in step from their start up to the
// drawn record; writes DayPattern(c, 1..96), which ends up holding the drawn day. Every line on
// the way is converted, so a faulty line before the drawn one ends the run.
#include "reference/literal_resampler.h"

#include <cmath>

#include "generator/shared.h"
#include "records/connections.h"
#include "records/read_fields.h"

namespace raingen::reference {

namespace {

void read_index_line(int unit, const char* field_list) {
  std::int32_t unused = 0;
  records::ReadStatement read(unit, field_list);
  read.integer(unused);
  read.end();
}

void read_day_line(int unit, int c) {
  records::ReadStatement read(unit, "(29X,96(1X,F5.2),8X)");
  for (int j = 1; j <= intervals_per_day; ++j) read.real(DayPattern(c, j));
  read.end();
}

}  // namespace

void literal_draw_historical_day() {
  const int c = current_station;
  const float r = next_random();
  const std::int32_t n = StationTable(c).day_record_count;
  // N - 1, not N: the last record comes up only when r is exactly 1.0. The product is truncated
  // as a double, never rounded to a float first.
  const auto drawn_record = static_cast<std::int32_t>(std::trunc((static_cast<double>(n) - 1.0) * double{r})) + 1;
  records::rewind_unit(day_unit_of(c));
  records::rewind_unit(index_unit_of(c));
  read_index_line(index_unit_of(c), "(9X,I9,/,/)");
  for (std::int32_t record = 1; record <= drawn_record; ++record) {
    read_index_line(index_unit_of(c), "(I9)");
    read_day_line(day_unit_of(c), c);
  }
}

}  // namespace raingen::reference
