#include "gauge/read_gauge.h"

#include <fmt/format.h>

#include "common/line_reader.h"
#include "common/tool_error.h"
#include "gauge/readers.h"
#include "gauge/reading_errors.h"

namespace raingen::gauge {

namespace {

// The options that only some formats take must not be given to another.
void check_options_fit(const std::string& path, Format format, const ReadOptions& options) {
  const auto refuse = [&](const char* option) {
    throw common::UsageError(path,
                             fmt::format("{} does not apply to a record read as {}", option, format_name(format)));
  };
  if (!options.column.empty() && format != Format::csv) refuse("--column");
  if (!options.swmm_station.empty() && format != Format::swmm) refuse("--swmm-station");
  if (options.stamp && format != Format::csv && format != Format::swmm) refuse("--stamp");
}

// The series over the days from..to: what the record holds there, missing elsewhere. The span is
// checked before it is taken.
CalendarSeries keep_days(const std::string& path, const CalendarSeries& series, std::optional<calendar::Day> from,
                         std::optional<calendar::Day> to) {
  const calendar::TimePoint begin = from ? calendar::TimePoint{*from} : series.start();
  const calendar::TimePoint end = to ? calendar::TimePoint{*to + calendar::Days{1}} : series.end();
  if (end > begin) check_kept_span(path, calendar::day_of(begin), calendar::day_of(end - calendar::Minutes{1}));
  const auto count = end > begin ? static_cast<std::size_t>((end - begin) / calendar::interval_length) : 0;
  CalendarSeries kept(series.name(), begin, count);
  const long offset = (series.start() - begin) / calendar::interval_length;  // where the record's interval 0 falls
  for (std::size_t k = 0; k < series.size(); ++k) {
    const long at = offset + static_cast<long>(k);
    if (at >= 0 && at < static_cast<long>(count)) kept.set_depth(static_cast<std::size_t>(at), series.depth(k));
  }
  return kept;
}

}  // namespace

CalendarSeries read_gauge(const std::string& path, const ReadOptions& options, ReadFacts* facts) {
  common::LineReader lines(path);
  ReadFacts found;
  found.format = options.format;
  if (found.format == Format::automatic) {
    // The first lines tell the format; the reader then starts again on the same bytes, so that a
    // pipe or a FIFO is read once, whole.
    lines.hold_start();
    found.format = sniff_format(lines);
    lines.start_again();
  }
  check_options_fit(path, found.format, options);
  CalendarSeries series;
  switch (found.format) {
    case Format::tips: series = read_tips(lines, options, found); break;
    case Format::csv: series = read_csv(lines, options, found); break;
    case Format::swmm: series = read_swmm(lines, options, found); break;
    case Format::noaa: series = read_noaa(lines, options, found); break;
    case Format::automatic: break;
  }
  if (found.format != Format::swmm && (options.from || options.to))
    series = keep_days(path, series, options.from, options.to);
  if (facts) *facts = found;
  return series;
}

}  // namespace raingen::gauge
