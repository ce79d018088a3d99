#include "exporting/csv_writer.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "exporting/civil_clock.h"
#include "exporting/text_fields.h"

namespace raingen::exporting {

namespace {

char* put_stamp(char* out, const calendar::CivilMinute& t) {
  out = put_digits(out, t.year, 4);
  *out++ = '-';
  out = put_digits(out, t.month, 2);
  *out++ = '-';
  out = put_digits(out, t.day, 2);
  *out++ = ' ';
  out = put_digits(out, t.hour, 2);
  *out++ = ':';
  return put_digits(out, t.minute, 2);
}

}  // namespace

void write_csv(results::ResultsTable& table, const ExportSettings& settings, common::OutputFile& out) {
  out.write(std::string("start,end,rainfall_") + units_text(settings.units) + "\n");
  CivilClock clock(table);
  results::TableRow row;
  char line[64];
  // Rows follow one another without a gap (the table checks it), so each interval starts where
  // the one before ended: the start text is the last end text.
  char end_text[16];
  put_stamp(end_text, clock.at(settings.start));
  while (table.next(row)) {
    char* p = std::copy(end_text, end_text + sizeof end_text, line);
    *p++ = ',';
    put_stamp(end_text, clock.at(settings.start + row.minutes));
    p = std::copy(end_text, end_text + sizeof end_text, p);
    *p++ = ',';
    p = put_depth(p, row.thousandths);
    *p++ = '\n';
    out.write(std::string_view(line, static_cast<std::size_t>(p - line)));
  }
}

}  // namespace raingen::exporting
