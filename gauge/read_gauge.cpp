#include "gauge/read_gauge.h"

#include <fmt/format.h>

#include "common/tool_error.h"
#include "gauge/readers.h"

namespace raingen::gauge {

namespace {

// The options that only some formats take must not be given to another.
void check_options_fit(const std::string& path, Format format, const ReadOptions& options) {
  const auto refuse = [&](const char* option) {
    throw common::UsageError(path, fmt::format("{} does not apply to a record read as {}", option, format_name(format)));
  };
  if (!options.column.empty() && format != Format::csv) refuse("--column");
  if (!options.swmm_station.empty() && format != Format::swmm) refuse("--swmm-station");
  if (options.stamp && format != Format::csv && format != Format::swmm) refuse("--stamp");
}

// The series over the days from..to: what the record holds there, missing elsewhere.
CalendarSeries keep_days(const CalendarSeries& series, std::optional<calendar::Day> from, std::optional<calendar::Day> to) {
  const calendar::TimePoint begin = from ? calendar::TimePoint{*from} : series.start();
  const calendar::TimePoint end = to ? calendar::TimePoint{*to + calendar::Days{1}} : series.end();
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
  if (path == "-" && options.format == Format::automatic)
    throw common::UsageError("a record read from standard input needs its --format");
  ReadFacts found;
  found.format = options.format == Format::automatic ? sniff_format(path) : options.format;
  check_options_fit(path, found.format, options);
  CalendarSeries series;
  switch (found.format) {
    case Format::tips: series = read_tips(path, options, found); break;
    case Format::csv: series = read_csv(path, options, found); break;
    case Format::swmm: series = read_swmm(path, options, found); break;
    case Format::noaa: series = read_noaa(path, options, found); break;
    case Format::automatic: break;
  }
  if (found.format != Format::swmm && (options.from || options.to)) series = keep_days(series, options.from, options.to);
  if (facts) *facts = found;
  return series;
}

}  // namespace raingen::gauge
