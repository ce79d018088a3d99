// How a gauge record is to be read: its format (or recognised from the content), the column or
// station to take, how its times are stamped, and the period to keep. Every tool that reads gauge
// records takes these, under the names of reading_options (--format, --column, --swmm-station,
// --stamp, --from, --to), for every record it reads or, where a command line names several, for
// one of them (gauge/reading_command_line.h).
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calendar/time_point.h"

namespace raingen::gauge {

enum class Format { automatic, tips, csv, swmm, noaa };
enum class Stamp { end, start };

struct FragmentSource;  // gauge/fragments.h

struct ReadOptions {
  Format format = Format::automatic;
  std::string column;          // csv: the value column, by its header name (empty: the only one)
  std::string swmm_station;    // swmm: the station (empty: the only one in the file)
  std::optional<Stamp> stamp;  // csv, swmm: unset takes the format's own (csv end, swmm start)
  // The days to keep, both whole and included; unset: the record's own first and last day.
  // In a SWMM rain file, intervals of these days that the file does not list are dry.
  std::optional<calendar::Day> from, to;
  // A 15-minute depth at or above this is an error naming the line that brings it there (set by
  // a tool whose output cannot hold such a depth, never by the user).
  double depth_limit = std::numeric_limits<double>::infinity();
  // A csv record coarser than 15 minutes is made 15-minute from these gauges' fragments (set by
  // the tool from --fragments-from); without them it is refused.
  const FragmentSource* fragments = nullptr;
};

// The reading options, each by its long name without the dashes and its --help line (worded
// once, for every tool; "[ID:]" is the prefix that gives a value to one record of several).
struct ReadingOption {
  const char* name;
  const char* help;
};
inline constexpr ReadingOption reading_options[] = {
    {"format", "[ID:]FORMAT: auto (default), tips, csv, swmm or noaa"},
    {"column", "[ID:]NAME: csv: the value column (its header name; without a header, its number)"},
    {"swmm-station", "[ID:]NAME: swmm: the station of the rain file"},
    {"stamp", "[ID:]start|end: csv, swmm: times stamp the interval's end or start (csv end, swmm start)"},
    {"from", "[ID:]YYYY-MM-DD: the first day of the record to keep"},
    {"to", "[ID:]YYYY-MM-DD: the last day of the record to keep"},
};

// "auto", "tips", "csv", "swmm", "noaa".
std::string_view format_name(Format format);

// Sets one option from its text; name is the long option without its dashes ("format",
// "column", "swmm-station", "stamp", "from", "to"). Throws UsageError for an unknown name or a
// value that does not fit, saying which.
void set_read_option(ReadOptions& options, std::string_view name, std::string_view value);

// Sets the options of one record of several, named by their names in order (a later value of a
// name wins). Throws UsageError as set_read_option does, prefixed "gauge ID: ".
ReadOptions gauge_read_options(const std::string& id, const std::vector<std::pair<std::string, std::string>>& options);

// A day as YYYY-MM-DD; nothing for any other text or a day the calendar lacks.
std::optional<calendar::Day> parse_day(std::string_view text);

// The rules of reading gauge records, for a tool's --help.
std::string_view reading_rules_help();

}  // namespace raingen::gauge
