#include "exporting/swmm_writers.h"

#include <string>
#include <string_view>

#include "exporting/civil_clock.h"
#include "calendar/interval.h"
#include "exporting/text_fields.h"

namespace raingen::exporting {

namespace {

// Calls put(line buffer, start of the interval) for every wet row and writes what it returns.
template <typename PutStart>
void write_wet_rows(results::TableRows& table, const ExportSettings& settings, common::OutputFile& out,
                    PutStart put_start) {
  CivilClock clock(table);
  results::TableRow row;
  char line[256];
  while (table.next(row)) {
    if (row.thousandths == 0) continue;
    const calendar::TimePoint start = settings.start + row.minutes - calendar::interval_length;
    char* p = put_start(line, clock.at(start));
    *p++ = ' ';
    p = put_depth(p, row.thousandths);
    *p++ = '\n';
    out.write(std::string_view(line, static_cast<std::size_t>(p - line)));
  }
}

}  // namespace

void write_swmm_timeseries(results::TableRows& table, const ExportSettings& settings, common::OutputFile& out) {
  const std::string units = units_text(settings.units);
  out.write(";Rainfall of " + settings.station + " from " + settings.input_name + ", written by raingen-export\n" +
            ";Depth in " + units + " over the 15 minutes that begin at each time (a VOLUME gage, interval 0:15)\n" +
            ";Intervals not listed are dry\n");
  if (settings.utc_offset) out.write(swmm_clock_line(*settings.utc_offset));
  write_wet_rows(table, settings, out, [](char* p, const calendar::CivilMinute& t) {
    p = put_digits(p, t.month, 2);
    *p++ = '/';
    p = put_digits(p, t.day, 2);
    *p++ = '/';
    p = put_digits(p, t.year, 4);
    *p++ = ' ';
    p = put_digits(p, t.hour, 2);
    *p++ = ':';
    return put_digits(p, t.minute, 2);
  });
}

void write_swmm_rain(results::TableRows& table, const ExportSettings& settings, common::OutputFile& out) {
  const std::string& station = settings.station;
  if (settings.utc_offset) out.write(swmm_clock_line(*settings.utc_offset));
  write_wet_rows(table, settings, out, [&station](char* p, const calendar::CivilMinute& t) {
    p += station.copy(p, station.size());
    *p++ = ' ';
    p = put_digits(p, t.year, 4);
    for (unsigned field : {t.month, t.day, t.hour, t.minute}) {
      *p++ = ' ';
      p = put_digits(p, field, 2);
    }
    return p;
  });
}

std::string swmm_clock_line(const calendar::UtcOffset& clock) {
  return ";Times on the clock UTC" + clock.text() + " (the gauges'), each the start of its 15 minutes\n";
}

}  // namespace raingen::exporting
