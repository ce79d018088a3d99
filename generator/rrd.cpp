// Draws one historical day of the current station.
//
// Reads current_station and its day_record_count; takes one random value; reads the station's
// F_3 index (unit 10*c+3) and F_2 day records (unit 10*c+2); writes DayPattern(c, 1..96), which
// ends up holding the drawn day, and DayFilePositions(c).
//
// A draw behaves as if both files were reread in step from their start up to the drawn record,
// every line on the way converted: a faulty line is an error the first time a draw reaches it,
// the index line of a day before its day record, and line 1 of the index on every draw. Lines
// that earlier draws have converted are not converted again: the drawn line is read directly
// when it is known, and otherwise reading goes on from the last known line.
#include <algorithm>
#include <cmath>

#include "generator/record_helpers.h"
#include "generator/shared.h"
#include "records/connections.h"
#include "records/read_fields.h"

namespace raingen {

namespace {

void read_index_line(int unit, const char* field_list) {
  std::int32_t unused = 0;
  read_int_record(unit, field_list, unused);
}

void read_day_line(int unit, int c) {
  records::ReadStatement read(unit, "(29X,96(1X,F5.2),8X)");
  read.reals(&DayPattern(c, 1), intervals_per_day, &DayPattern(c, 2) - &DayPattern(c, 1));
  read.end();
}

std::int64_t position_of(int unit) { return records::read_position(records::unit_for_read(unit)); }

// Reads on in step from the last known record to the drawn one.
void read_on_to(int c, std::int32_t drawn_record, KnownDayLines& known) {
  if (known.count >= 1) {
    records::seek_unit(day_unit_of(c), known.next_day_line);
    records::seek_unit(index_unit_of(c), known.next_index_line);
  }
  // Room for the positions of every record the count promises, taken at once: growing by
  // doubling would touch about twice the memory. Only up to 2^20 records, though: a count is
  // whatever the index file says, and a count of a billion over a file of ten lines must end
  // with the file's error, not take gigabytes first; a longer file grows the room as it is read.
  const auto room = static_cast<std::size_t>(
      std::clamp(StationTable(c).day_record_count, std::int32_t{0}, std::int32_t{1} << 20) + 1);
  if (known.day_line_start.capacity() < room) known.day_line_start.reserve(room);
  while (known.count < drawn_record) {
    read_index_line(index_unit_of(c), "(I9)");
    const std::int64_t day_start = position_of(day_unit_of(c));
    read_day_line(day_unit_of(c), c);
    known.day_line_start.push_back(day_start);
    known.count += 1;
    known.next_day_line = position_of(day_unit_of(c));
    known.next_index_line = position_of(index_unit_of(c));
  }
}

}  // namespace

void draw_historical_day() {
  const int c = current_station;
  const float r = next_random();
  const std::int32_t n = StationTable(c).day_record_count;
  // N - 1, not N: the last record comes up only when r is exactly 1.0. The product is truncated
  // as a double, never rounded to a float first.
  const auto drawn_record = static_cast<std::int32_t>(std::trunc((static_cast<double>(n) - 1.0) * double{r})) + 1;
  records::rewind_unit(day_unit_of(c));
  records::rewind_unit(index_unit_of(c));
  read_index_line(index_unit_of(c), "(9X,I9,/,/)");

  KnownDayLines& known = DayFilePositions(c);
  if (drawn_record <= known.count) {
    if (drawn_record < 1) return;
    records::seek_unit(day_unit_of(c), known.day_line_start[drawn_record]);
    read_day_line(day_unit_of(c), c);
    return;
  }
  read_on_to(c, drawn_record, known);
}

}  // namespace raingen
