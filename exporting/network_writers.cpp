#include "exporting/network_writers.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "calendar/civil_clock.h"
#include "calendar/interval.h"
#include "calendar/time_text.h"
#include "common/tool_error.h"
#include "exporting/swmm_writers.h"
#include "exporting/text_fields.h"

namespace raingen::exporting {

namespace {

constexpr std::size_t intervals_a_day = calendar::intervals_per_day;

std::string span_text(const gauge::CalendarSeries& series) {
  const std::string length = series.size() % intervals_a_day == 0
                                 ? fmt::format("{} days", series.size() / intervals_a_day)
                                 : fmt::format("{} intervals", series.size());
  return length + " from " + calendar::minute_text(series.start());
}

// The calendar fields of a source's times, a time outside the years 1 to 9999 named by the source.
calendar::CivilMinute civil(calendar::CivilClock& clock, calendar::TimePoint t, const SiteSource& source) {
  try {
    return clock.at(t);
  } catch (const common::ToolError& error) {
    throw common::ToolError(source.origin, 0, error.message());
  }
}

// Interval k's depth in thousandths, as the table wrote it.
long thousandths(const gauge::CalendarSeries& series, std::size_t k, const SiteSource& source) {
  const double depth = series.depth(k);
  if (!series.present(k) || depth < 0)
    throw common::ToolError(source.origin, 0,
                            fmt::format("the interval ending {} of site {} is {}: no depth to write",
                                        calendar::minute_text(series.interval_end(k)), source.name,
                                        series.present(k) ? "negative" : "missing"));
  return std::lround(depth * 1000);
}

// Reads each source in turn, checks its span against the first's and calls write(source, series).
template <typename WriteSite>
void each_site(const SiteSources& sources, WriteSite write) {
  const SiteSource* first = nullptr;
  calendar::TimePoint start{};
  std::size_t size = 0;
  std::string first_span;
  for (const SiteSource& source : sources) {
    const gauge::CalendarSeries series = source.read();
    if (!first) {
      first = &source, start = series.start(), size = series.size(), first_span = span_text(series);
    } else if (series.start() != start || series.size() != size) {
      throw common::ToolError(source.origin, 0,
                              fmt::format("site {} runs {}, where site {} ({}) runs {}: the sites of one network "
                                          "run the same days",
                                          source.name, span_text(series), first->name, first->origin, first_span));
    }
    write(source, series);
  }
}

}  // namespace

void write_network_csv(const SiteSources& sources, const NetworkText& text, common::OutputFile& out) {
  out.write(std::string("site,start,end,rainfall_") + units_text(text.units) + "\n");
  const std::string zone = text.clock ? text.clock->text() : "";
  each_site(sources, [&out, &zone](const SiteSource& source, const gauge::CalendarSeries& series) {
    calendar::CivilClock clock;
    std::string line = source.name + ",";
    const std::size_t stamps_at = line.size();
    line.resize(stamps_at + 2 * (32 + 1) + 32);
    char end_text[32];
    const char* end_of_text = put_stamp(end_text, civil(clock, series.start(), source), zone);
    for (std::size_t k = 0; k < series.size(); ++k) {
      char* p = std::copy<const char*>(end_text, end_of_text, line.data() + stamps_at);
      *p++ = ',';
      end_of_text = put_stamp(end_text, civil(clock, series.interval_end(k), source), zone);
      p = std::copy<const char*>(end_text, end_of_text, p);
      *p++ = ',';
      p = put_depth(p, thousandths(series, k, source));
      *p++ = '\n';
      out.write(std::string_view(line.data(), static_cast<std::size_t>(p - line.data())));
    }
  });
}

void write_network_swmm_rain(const SiteSources& sources, const NetworkText& text, common::OutputFile& out) {
  if (text.clock) out.write(swmm_clock_line(*text.clock));
  each_site(sources, [&out](const SiteSource& source, const gauge::CalendarSeries& series) {
    calendar::CivilClock clock;
    std::string line = source.name + " ";
    const std::size_t stamp_at = line.size();
    line.resize(stamp_at + 16 + 1 + 32);
    for (std::size_t k = 0; k < series.size(); ++k) {
      const long depth = thousandths(series, k, source);
      if (depth == 0) continue;
      const calendar::CivilMinute t = civil(clock, series.interval_start(k), source);
      char* p = put_digits(line.data() + stamp_at, t.year, 4);
      for (unsigned field : {t.month, t.day, t.hour, t.minute}) {
        *p++ = ' ';
        p = put_digits(p, field, 2);
      }
      *p++ = ' ';
      p = put_depth(p, depth);
      *p++ = '\n';
      out.write(std::string_view(line.data(), static_cast<std::size_t>(p - line.data())));
    }
  });
}

}  // namespace raingen::exporting
