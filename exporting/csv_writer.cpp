#include "exporting/csv_writer.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "exporting/civil_clock.h"
#include "exporting/text_fields.h"

namespace raingen::exporting {

void write_csv(results::TableRows& table, const ExportSettings& settings, common::OutputFile& out) {
  out.write(std::string("start,end,rainfall_") + units_text(settings.units) + "\n");
  CivilClock clock(table);
  const std::string zone = settings.utc_offset ? settings.utc_offset->text() : "";
  results::TableRow row;
  char line[80];
  // Rows follow one another without a gap (the table checks it), so each interval starts where
  // the one before ended: the start text is the last end text.
  char end_text[32];
  const char* end_of_text = put_stamp(end_text, clock.at(settings.start), zone);
  while (table.next(row)) {
    char* p = std::copy<const char*>(end_text, end_of_text, line);
    *p++ = ',';
    end_of_text = put_stamp(end_text, clock.at(settings.start + row.minutes), zone);
    p = std::copy<const char*>(end_text, end_of_text, p);
    *p++ = ',';
    p = put_depth(p, row.thousandths);
    *p++ = '\n';
    out.write(std::string_view(line, static_cast<std::size_t>(p - line)));
  }
}

}  // namespace raingen::exporting
